// 岚哨's eyes and hands inside GNOME Shell. A Wayland client may not look at or stack other
// clients, so the child computer's application asks the compositor instead, over the session bus:
// which window has the focus, minimise an application's windows, and a lock layer above every
// window on every monitor that takes all input. The application keeps every decision; this file
// only carries them out.
//
// The body that every variant (resources/gnome-shell/<first Shell version>/) wraps: they differ
// only in how the Shell loads them, so a variant adds the imports and the entry point around it
// and nothing else.

const OBJECT_PATH = '/com/corvane/vantorel/Shield';
const CLIENT_PATH = '/com/corvane/vantorel/LockClient';
const CLIENT_INTERFACE = 'com.corvane.vantorel.LockClient1';
// Written by the root guard: the path of the guarded copy of the application. When it exists, only
// that program may change the lock, so a child's own script on the session bus cannot lift it.
const GUARD_MARKER = '/var/lib/vantorel/guard.on';
// Clutter renamed the container's signal in GNOME 46.
const ACTOR_ADDED = hasSignal(Main.uiGroup, 'actor-added') ? 'actor-added' : 'child-added';

const INTERFACE = `
<node>
  <interface name="com.corvane.vantorel.Shield1">
    <method name="GetFocus">
      <arg type="s" direction="out" name="appId"/>
      <arg type="s" direction="out" name="wmClass"/>
      <arg type="u" direction="out" name="pid"/>
    </method>
    <method name="ListWindows">
      <arg type="a(ssubb)" direction="out" name="windows"/>
    </method>
    <method name="MinimizeProcess">
      <arg type="u" direction="in" name="pid"/>
      <arg type="u" direction="out" name="asked"/>
    </method>
    <method name="ShowLock">
      <arg type="a{ss}" direction="in" name="texts"/>
      <arg type="b" direction="out" name="holdsInput"/>
    </method>
    <method name="HideLock"/>
    <property name="Version" type="u" access="read"/>
    <property name="LockShown" type="b" access="read"/>
    <signal name="WindowsChanged"/>
  </interface>
</node>`;

function hasSignal(object, name) {
    return GObject.signal_lookup(name, object.constructor.$gtype) !== 0;
}

function windowEntry(window) {
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    const appId = app && !app.is_window_backed() ? app.get_id() : '';
    return [appId, window.get_wm_class() || '', window.get_pid() > 0 ? window.get_pid() : 0];
}

function managedWindows() {
    return global.get_window_actors().map(actor => actor.meta_window).filter(window => !!window);
}

class LockLayer {
    constructor(onRequest, onPassword) {
        this._onRequest = onRequest;
        this._onPassword = onPassword;
        this._actor = new St.Widget({
            reactive: true,
            can_focus: true,
            track_hover: true,
            style: 'background-color: rgba(0, 0, 0, 0.92);',
        });
        this._panels = [];
        this._texts = {};
        Main.uiGroup.add_child(this._actor);
        // Tab moves between the field and the two buttons, for a child without a pointer. The
        // shell's own focus groups see no key while the lock holds the input, so the layer does it.
        this._actor.connect('key-press-event', (_actor, event) => this._navigate(event));
        this._monitorsId = Main.layoutManager.connect('monitors-changed', () => this._layout());
        // Whatever the shell adds later (a notification, a menu) must stay below the lock.
        this._childId = Main.uiGroup.connect(ACTOR_ADDED, () => this._raise());
        this._layout();
        this._grab = null;
        // The application shows the lock again only when its texts change, so the layer keeps
        // itself on top and holding the input: a dialog of the shell's own (a password prompt from
        // a program started earlier) may take the keyboard at any time.
        this._keeper = GLib.timeout_add_seconds(GLib.PRIORITY_DEFAULT, 1, () => {
            this._raise();
            this._hold();
            return GLib.SOURCE_CONTINUE;
        });
    }

    destroy() {
        GLib.source_remove(this._keeper);
        this._release();
        Main.layoutManager.disconnect(this._monitorsId);
        Main.uiGroup.disconnect(this._childId);
        this._actor.destroy();
    }

    update(texts) {
        const changed = JSON.stringify(texts) !== JSON.stringify(this._texts);
        this._texts = texts;
        if (changed)
            this._layout();
        this._raise();
        return this._hold();
    }

    _navigate(event) {
        const symbol = event.get_key_symbol();
        if (symbol !== Clutter.KEY_Tab && symbol !== Clutter.KEY_ISO_Left_Tab)
            return Clutter.EVENT_PROPAGATE;
        const focus = global.stage.key_focus;
        const stops = this._focusStops;
        const current = stops.findIndex(stop => stop === focus || stop.contains(focus));
        const step = symbol === Clutter.KEY_Tab ? 1 : stops.length - 1;
        if (stops.length > 0)
            stops[(Math.max(current, 0) + step) % stops.length].grab_key_focus();
        return Clutter.EVENT_STOP;
    }

    _raise() {
        Main.uiGroup.set_child_above_sibling(this._actor, null);
    }

    // Takes every key and click for the lock. The shell refuses a grab while another one is held
    // (an open menu); the application asks again at its next tick, so a refusal here is not final.
    _hold() {
        if (!this._grab || !(this._grab.get_seat_state() & Clutter.GrabState.KEYBOARD)) {
            this._release();
            const grab = Main.pushModal(this._actor, { actionMode: Shell.ActionMode.NONE });
            if (!(grab.get_seat_state() & Clutter.GrabState.KEYBOARD)) {
                Main.popModal(grab);
                return false;
            }
            this._grab = grab;
        }
        // Typing goes into the password field unless a button of the lock has the focus.
        const focus = global.stage.key_focus;
        if (!focus || focus === this._actor || !this._actor.contains(focus))
            global.stage.set_key_focus(this._entry || this._actor);
        return true;
    }

    _release() {
        if (this._grab) {
            Main.popModal(this._grab);
            this._grab = null;
        }
    }

    _layout() {
        this._actor.set_position(0, 0);
        this._actor.set_size(global.stage.width, global.stage.height);
        this._panels.forEach(panel => panel.destroy());
        this._panels = [];
        this._entry = null;
        this._focusStops = [];
        const primary = Main.layoutManager.primaryIndex;
        Main.layoutManager.monitors.forEach((monitor, index) => {
            const area = new St.Widget({ layout_manager: new Clutter.BinLayout() });
            area.add_child(this._panel(index === primary));
            this._actor.add_child(area);
            area.set_position(monitor.x, monitor.y);
            area.set_size(monitor.width, monitor.height);
            this._panels.push(area);
        });
    }

    // One monitor's content: the name, the reason, and on the primary monitor the two ways out.
    _panel(primary) {
        const texts = this._texts;
        const panel = new St.BoxLayout({
            vertical: true,
            x_align: Clutter.ActorAlign.CENTER,
            y_align: Clutter.ActorAlign.CENTER,
            x_expand: true,
            y_expand: true,
            style: 'spacing: 16px;',
        });
        const label = (text, style) => {
            const item = new St.Label({ text: text || '', x_align: Clutter.ActorAlign.CENTER, style });
            item.clutter_text.line_wrap = true;
            panel.add_child(item);
            return item;
        };
        label(texts.title, 'color: white; font-size: 28px; font-weight: bold;');
        label(texts.reason, 'color: white; font-size: 18px;');
        if (texts.pending)
            label(texts.pending, 'color: #ffcc80; font-size: 14px;');
        if (!primary)
            return panel;
        const button = (text, onClick) => {
            const item = new St.Button({
                label: text || '',
                can_focus: true,
                reactive: true,
                x_align: Clutter.ActorAlign.CENTER,
                style: 'color: white; background-color: #1e88e5; border-radius: 8px; padding: 8px 20px;',
            });
            item.connect('clicked', onClick);
            panel.add_child(item);
            this._focusStops.push(item);
            return item;
        };
        button(texts.requestButton, () => this._onRequest());
        this._entry = new St.PasswordEntry({
            hint_text: texts.passwordPlaceholder || '',
            can_focus: true,
            // A child beside the parent must not be able to read the password off the screen.
            show_peek_icon: false,
            x_align: Clutter.ActorAlign.CENTER,
            style: 'width: 260px; color: white;',
        });
        this._entry.clutter_text.connect('activate', () => this._submitPassword());
        panel.add_child(this._entry);
        this._focusStops.push(this._entry);
        button(texts.passwordButton, () => this._submitPassword());
        this._status = label('', 'color: #ef9a9a; font-size: 14px;');
        return panel;
    }

    _submitPassword() {
        const password = this._entry.get_text();
        this._entry.set_text('');
        if (!password)
            return;
        this._onPassword(password, accepted => {
            if (!accepted && this._status)
                this._status.text = this._texts.passwordWrong || '';
        });
    }
}

class Shield {
    enable() {
        this._lock = null;
        this._owner = null;
        this._dbus = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._dbus.export(Gio.DBus.session, OBJECT_PATH);
        const display = global.display;
        this._signals = [
            [display, display.connect('notify::focus-window', () => this._changed())],
            [display, display.connect('window-created', () => this._changed())],
            [global.window_manager, global.window_manager.connect('minimize', () => this._changed())],
            [global.window_manager, global.window_manager.connect('unminimize', () => this._changed())],
        ];
    }

    disable() {
        this._signals.forEach(([object, id]) => object.disconnect(id));
        this._signals = [];
        // Switched off, or the shell's own lock screen is taking over: the application covers the
        // screens itself and shows this lock again once the extension is back.
        if (this._lock) {
            this._lock.destroy();
            this._dbus.emit_property_changed('LockShown', new GLib.Variant('b', false));
            this._dbus.flush();
        }
        this._lock = null;
        this._dbus.unexport();
        this._dbus = null;
    }

    _changed() {
        if (this._dbus)
            this._dbus.emit_signal('WindowsChanged', null);
    }

    get Version() {
        return 1;
    }

    get LockShown() {
        return this._lock !== null;
    }

    // While the lock holds the input no application has it, so none is counted as in use.
    GetFocus() {
        const window = global.display.focus_window;
        return window && !this._lock ? windowEntry(window) : ['', '', 0];
    }

    ListWindows() {
        return managedWindows()
            .filter(window => !window.is_skip_taskbar())
            .map(window => [...windowEntry(window), window.minimized, window.is_override_redirect()]);
    }

    MinimizeProcessAsync([pid], invocation) {
        if (!this._allowed(invocation))
            return;
        let asked = 0;
        managedWindows().forEach(window => {
            if (window.get_pid() === pid && !window.minimized && window.can_minimize()) {
                window.minimize();
                asked++;
            }
        });
        invocation.return_value(new GLib.Variant('(u)', [asked]));
    }

    ShowLockAsync([texts], invocation) {
        if (!this._allowed(invocation))
            return;
        this._owner = invocation.get_sender();
        try {
            this._showLock(texts, invocation);
        } catch (e) {
            logError(e, 'vantorel lock');
            invocation.return_dbus_error('com.corvane.vantorel.Shield1.Error.Failed', String(e));
        }
    }

    _showLock(texts, invocation) {
        if (!this._lock) {
            this._lock = new LockLayer(() => this._callOwner('RequestUnlock', null, () => {}),
                (password, done) => this._callOwner('TryParentPassword', new GLib.Variant('(s)', [password]),
                    reply => done(reply !== null && reply.deep_unpack()[0] === true)));
            this._dbus.emit_property_changed('LockShown', new GLib.Variant('b', true));
        }
        const holds = this._lock.update(texts);
        invocation.return_value(new GLib.Variant('(b)', [holds]));
    }

    HideLockAsync(_parameters, invocation) {
        if (!this._allowed(invocation))
            return;
        if (this._lock) {
            this._lock.destroy();
            this._lock = null;
            this._dbus.emit_property_changed('LockShown', new GLib.Variant('b', false));
        }
        invocation.return_value(null);
    }

    // The buttons answer the program that showed the lock. If it is gone (killed, restarting),
    // nothing answers and the lock stays: the guard starts the program again within seconds.
    _callOwner(method, parameters, done) {
        if (!this._owner)
            return done(null);
        Gio.DBus.session.call(this._owner, CLIENT_PATH, CLIENT_INTERFACE, method, parameters, null,
            Gio.DBusCallFlags.NONE, 60000, null, (connection, result) => {
                try {
                    done(connection.call_finish(result));
                } catch (e) {
                    done(null);
                }
            });
    }

    _allowed(invocation) {
        let guarded;
        try {
            const [, contents] = GLib.file_get_contents(GUARD_MARKER);
            guarded = new TextDecoder().decode(contents).trim();
        } catch (e) {
            return true;
        }
        try {
            const reply = Gio.DBus.session.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus',
                'org.freedesktop.DBus', 'GetConnectionUnixProcessID',
                new GLib.Variant('(s)', [invocation.get_sender()]), null, Gio.DBusCallFlags.NONE, 5000, null);
            const [pid] = reply.deep_unpack();
            if (GLib.file_read_link(`/proc/${pid}/exe`) === guarded)
                return true;
        } catch (e) {
        }
        invocation.return_dbus_error('com.corvane.vantorel.Shield1.Error.NotAllowed',
            'Only the guarded copy of the application may change the lock.');
        return false;
    }
}
