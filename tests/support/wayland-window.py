# A native Wayland window for the GNOME tests: GTK 3 with an application id, reporting what is
# typed into it on standard output; full screen when asked with a second argument "fullscreen".
import sys

import gi

gi.require_version('Gtk', '3.0')
from gi.repository import GLib, Gtk  # noqa: E402

GLib.set_prgname(sys.argv[1])
window = Gtk.Window(title=sys.argv[1])
window.set_default_size(600, 400)
entry = Gtk.Entry()
entry.connect('changed', lambda field: print('typed:', field.get_text(), flush=True))
window.add(entry)
window.connect('destroy', Gtk.main_quit)
window.show_all()
if 'fullscreen' in sys.argv[2:]:
    window.fullscreen()
print('shown', flush=True)
Gtk.main()
