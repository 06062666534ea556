/* For Quillet's session tests only: lets a test ask GNOME Shell what a person sees, and act as a
 * person would where the shell offers no interface for it (a click on an actor, a notification's
 * button, a screenshot). `Eval(code)` runs `code` in the shell and answers its value as JSON; a
 * value that is a promise is waited for. Anyone may call it: never install this on a real desktop.
 *
 *   gdbus call --session --dest org.gnome.Shell --object-path /com/lumenfold/quillet/Probe \
 *       --method com.lumenfold.quillet.Probe.Eval 'global.display.focus_window.get_title()'
 *
 * Helpers for the code, under `probe`: click(x, y), key(code), timeUntil(action, done), screenshot(path),
 * windows(), notifications(), pressNotification(title, label). */
const { Clutter, Gio, GLib, Meta, Shell, St } = imports.gi;
const Main = imports.ui.main;

const IFACE = `
<node>
  <interface name="com.lumenfold.quillet.Probe">
    <method name="Eval">
      <arg type="s" direction="in" name="code"/>
      <arg type="s" direction="out" name="json"/>
    </method>
  </interface>
</node>`;

function wait(ms) {
    return new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
        resolve();
        return GLib.SOURCE_REMOVE;
    }));
}

class Probe {
    constructor() {
        const seat = Clutter.get_default_backend().get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._dbus = Gio.DBusExportedObject.wrapJSObject(IFACE, this);
        this._dbus.export(Gio.DBus.session, '/com/lumenfold/quillet/Probe');
    }

    destroy() {
        this._dbus.unexport();
        this._pointer.run_dispose();
        this._keyboard.run_dispose();
    }

    /* Presses and releases the key with Linux input code `code` (28: Return). */
    async key(code) {
        this._keyboard.notify_key(GLib.get_monotonic_time(), code, Clutter.KeyState.PRESSED);
        await wait(2);
        this._keyboard.notify_key(GLib.get_monotonic_time(), code, Clutter.KeyState.RELEASED);
        return true;
    }

    async click(x, y) {
        const t = () => GLib.get_monotonic_time();
        this._pointer.notify_absolute_motion(t(), x, y);
        await wait(20);
        this.lastPress = t();
        this._pointer.notify_button(t(), Clutter.BUTTON_PRIMARY, Clutter.ButtonState.PRESSED);
        await wait(20);
        this._pointer.notify_button(t(), Clutter.BUTTON_PRIMARY, Clutter.ButtonState.RELEASED);
        await wait(20);
        return true;
    }

    /* Milliseconds from the button press of `action` (a click) until `done()` holds and the frame
     * that shows it is painted. */
    async timeUntil(action, done) {
        await action();
        const start = this.lastPress;
        for (let waited = 0; waited < 10000 && !done(); waited++)
            await wait(1);
        await new Promise(resolve => {
            const id = global.stage.connect('after-paint', () => {
                global.stage.disconnect(id);
                resolve();
            });
            global.stage.queue_redraw();
        });
        return (GLib.get_monotonic_time() - start) / 1000;
    }

    screenshot(path) {
        return new Promise((resolve, reject) => {
            const file = Gio.File.new_for_path(path);
            const stream = file.replace(null, false, Gio.FileCreateFlags.NONE, null);
            new Shell.Screenshot().screenshot(false, stream, (shooter, result) => {
                try {
                    shooter.screenshot_finish(result);
                    stream.close(null);
                    resolve(true);
                } catch (e) {
                    reject(e);
                }
            });
        });
    }

    windows() {
        const rect = r => [r.x, r.y, r.width, r.height];
        return global.get_window_actors().map(a => a.meta_window).map(w => ({
            title: w.get_title(), pid: w.get_pid(), focus: w.has_focus(), above: w.is_above(),
            frame: rect(w.get_frame_rect()), buffer: rect(w.get_buffer_rect()),
        }));
    }

    /* The notifications on show, newest last: title, body and their buttons' labels. */
    notifications() {
        return Main.messageTray.getSources().flatMap(s => s.notifications).map(n => ({
            title: n.title, body: n.bannerBodyText, actions: n.actions.map(a => a.label),
        }));
    }

    /* Presses the button `label` of the newest notification titled `title`. */
    pressNotification(title, label) {
        const all = Main.messageTray.getSources().flatMap(s => s.notifications).filter(n => n.title === title);
        const action = all.length ? all[all.length - 1].actions.find(a => a.label === label) : null;
        if (!action)
            return false;
        action.callback();
        return true;
    }

    async EvalAsync([code], invocation) {
        try {
            // eslint-disable-next-line no-new-func
            const value = await new Function('probe', 'Main', 'global', 'Meta', 'St', 'Clutter', 'GLib',
                `return (${code});`)(this, Main, global, Meta, St, Clutter, GLib);
            invocation.return_value(new GLib.Variant('(s)', [JSON.stringify(value ?? null)]));
        } catch (e) {
            invocation.return_dbus_error('com.lumenfold.quillet.Probe.Error', String(e));
        }
    }
}

class Extension {
    enable() {
        this._probe = new Probe();
        // GNOME Shell 43 opens the overview once it has started, where no window gets the keyboard;
        // a person leaves it at once.
        if (Main.layoutManager._startingUp) {
            const id = Main.layoutManager.connect('startup-complete', () => {
                Main.layoutManager.disconnect(id);
                Main.overview.hide();
            });
        }
    }

    disable() {
        this._probe.destroy();
        this._probe = null;
    }
}

/* exported init */
function init() {
    return new Extension();
}
