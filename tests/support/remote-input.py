# Input as a person gives it, into a headless GNOME Shell through mutter's remote-desktop
# interface: "click" (the middle of the monitor), "return", "back-tab", or text to type. Events right after
# a click can be lost, so each step waits a moment.
import sys
import time

from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
SERVICE = 'org.gnome.Mutter.RemoteDesktop'
SESSION = SERVICE + '.Session'


def call(path, interface, method, arguments=None):
    return bus.call_sync(SERVICE, path, interface, method, arguments, None, 0, 5000, None)


def key(session, symbol):
    for pressed in (True, False):
        call(session, SESSION, 'NotifyKeyboardKeysym', GLib.Variant('(ub)', (symbol, pressed)))


session = call('/org/gnome/Mutter/RemoteDesktop', SERVICE, 'CreateSession').unpack()[0]
call(session, SESSION, 'Start')
key(session, 0xffe1)  # the first key of a new virtual keyboard is lost
for step in sys.argv[1:]:
    if step == 'click':
        for motion in ((-4000.0, -4000.0), (640.0, 400.0)):
            call(session, SESSION, 'NotifyPointerMotionRelative', GLib.Variant('(dd)', motion))
        for pressed in (True, False):
            call(session, SESSION, 'NotifyPointerButton', GLib.Variant('(ib)', (0x110, pressed)))
    elif step == 'return':
        key(session, 0xff0d)
    elif step == 'back-tab':
        key(session, 0xfe20)  # ISO_Left_Tab: Shift+Tab
    else:
        for character in step:
            key(session, ord(character))
    time.sleep(0.5)
call(session, SESSION, 'Stop')
