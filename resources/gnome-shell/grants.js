/* Who may do what, and when. Only Quillet's program is served at all (Bridge._quilletPid), and of
 * its processes only the client (the one that said Hello as such) gets more than the greeting.
 * What reads or writes text or input waits for the user besides: the extension sees the user's own
 * gestures (its shortcut, a press on its icon, an action in Quillet's notification) and opens a
 * grant for one correction, bound to the window that had the keyboard then. Quillet renews it when
 * the user chooses in one of its own windows (a press there, just before) and ends it once the
 * write and its clipboard restore are over; it lapses on its own after a while. A process that
 * merely runs Quillet's program (started by someone else, or holding a bus connection Quillet's
 * program inherited) gets no text and presses no key.
 * Part of extension.js: see extension.js.in. */

/* How long a grant lasts when Quillet does not end it. */
const GRANT_MS = 30000;
/* How recent a press in Quillet's own window must be to renew a grant. */
const RENEWAL_PRESS_MS = 2000;
/* How long keys wait for the granted window to get the keyboard back (from Quillet's panel). */
const GRANTED_FOCUS_WAIT_MS = 1000;
/* The most clipboard bytes handed over or taken in one call, all formats together. */
const CLIPBOARD_CAP = 16 * 1024 * 1024;

const TEXT_TARGETS = ['UTF8_STRING', 'STRING', 'TEXT', 'x-kde-passwordManagerHint'];
const isTextFormat = mimetype => mimetype.startsWith('text/') || TEXT_TARGETS.includes(mimetype);

/* What a method asks of its caller beyond running Quillet's program: nothing (the greeting, which
 * the self-check uses too), to be the client (anything not named here), or a grant as well. */
const OPEN = 'open';
const GRANTED = 'granted';
const ACCESS = {
    Hello: OPEN,
    GetClipboard: GRANTED,
    SetClipboard: GRANTED,
    GetSelectionText: GRANTED,
    PressKeys: GRANTED,
    ActivateProcess: GRANTED,
};

/* A refusal a method decides on itself: answered as AccessDenied, and not logged. */
class Denied extends Error {}

const PRESSES = [Clutter.EventType.KEY_PRESS, Clutter.EventType.BUTTON_PRESS, Clutter.EventType.TOUCH_BEGIN];

Object.assign(Bridge.prototype, {
    /* Why `sender` may not make this call now; null when it may. */
    async _refusal(name, params, sender) {
        const access = ACCESS[name];
        if (name === 'Hello' && params[0] && this._client && this._client !== sender &&
            await this._onBus(this._client))
            return 'Another Quillet is the client';
        if (access === OPEN)
            return null;
        if (sender !== this._client)
            return 'Only the client may use this';
        if (access !== GRANTED)
            return null;
        if (!this._granted())
            return 'Not without the user';
        if (name === 'SetClipboard') {
            const [formats] = params;
            const size = Object.values(formats).reduce((sum, bytes) => sum + bytes.length, 0);
            if (!Object.keys(formats).every(isTextFormat) || size > CLIPBOARD_CAP)
                return 'Text only';
        }
        return null;
    },

    /* Whether `name` is still on the bus: the watch that forgets a client may not have run yet. A
     * bus that does not say keeps the client. */
    _onBus(name) {
        return new Promise(resolve => Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
            'org.freedesktop.DBus', 'NameHasOwner', new GLib.Variant('(s)', [name]),
            new GLib.VariantType('(b)'), Gio.DBusCallFlags.NONE, 1000, null, (bus, result) => {
                let owned = true;
                try {
                    [owned] = bus.call_finish(result).deepUnpack();
                } catch (e) {
                }
                if (!owned)
                    this._clientGone(name);
                resolve(owned);
            }));
    },

    /* --- grants ------------------------------------------------------------------------------- */

    /* The user's gesture for Quillet: the window with the keyboard now is where the correction goes. */
    _gesture() {
        if (this._client)
            this._openGrant(global.display.focus_window);
    },

    /* A new client, or none: nothing of the one before carries over. */
    _resetGrants() {
        this._forgetBoundWindow();
        this._clientPressedAt = 0;
    },

    _openGrant(window) {
        this._endGrant();
        if (!window)
            return;
        if (this._boundWindow !== window) {
            this._forgetBoundWindow();
            this._boundWindow = window;
            this._boundWindowId = window.connect('unmanaged', () => this._forgetBoundWindow());
        }
        this._grant = { window, until: GLib.get_monotonic_time() + GRANT_MS * 1000 };
    },

    _endGrant() {
        this._grant = null;
    },

    /* The window of the last grant, kept after it ends: the Undo of its correction may renew it. */
    _forgetBoundWindow() {
        this._endGrant();
        if (this._boundWindow)
            this._boundWindow.disconnect(this._boundWindowId);
        this._boundWindow = null;
        this._boundWindowId = 0;
    },

    _granted() {
        if (this._grant && this._grant.until <= GLib.get_monotonic_time())
            this._endGrant();
        return Boolean(this._grant);
    },

    /* Whether one of the client's own windows took a key or button press just now. */
    _pressedInClient() {
        return this._clientPressedAt > GLib.get_monotonic_time() - RENEWAL_PRESS_MS * 1000;
    },

    /* The window manager stamps a window with the time of each press it delivers there (its "user
     * time"), as it handles the press. It stamps it as well when the window is brought to the
     * front (Quillet's panel, placed with the keyboard), and an X11 client may write the stamp
     * itself: only a stamp made while a press is being handled, with that press's time, counts. */
    _watchPresses(window) {
        if (this._pressWatches.has(window))
            return;
        this._pressWatches.set(window, [
            window.connect('notify::user-time', () => {
                const event = Clutter.get_current_event();
                if (window.get_pid() === this._clientPid && event && PRESSES.includes(event.type()) &&
                    event.get_time() === window.get_user_time())
                    this._clientPressedAt = GLib.get_monotonic_time();
            }),
            window.connect('unmanaged', () => this._unwatchPresses(window)),
        ]);
    },

    _unwatchPresses(window) {
        this._pressWatches.get(window)?.forEach(id => window.disconnect(id));
        this._pressWatches.delete(window);
    },

    _startGrants() {
        this._grant = this._boundWindow = null;
        this._clientPressedAt = 0;
        this._pressWatches = new Map();
        global.display.list_all_windows().forEach(w => this._watchPresses(w));
        this._pressCreatedId = global.display.connect('window-created', (display, w) => this._watchPresses(w));
        this._unwatchNotices = () => {};
        this._watchNotices();
    },

    _stopGrants() {
        this._forgetBoundWindow();
        this._unwatchNotices();
        global.display.disconnect(this._pressCreatedId);
        [...this._pressWatches.keys()].forEach(w => this._unwatchPresses(w));
    },

    /* Keys go to the granted window only: it has the keyboard, or gets it back in a moment. */
    async _grantedWindowFocused() {
        for (let waited = 0; waited <= GRANTED_FOCUS_WAIT_MS; waited += 10) {
            if (!this._granted())
                return false;
            if (global.display.focus_window === this._grant.window)
                return true;
            await timeout(10);
        }
        return false;
    },

    /* An action the user picks in one of the client's notifications (its Undo) renews the grant of
     * the correction it tells of. The shell's notification server is in this process: its actions
     * are watched where it reports them. Up to GNOME Shell 45 a notification's source names the
     * sender's process; from 46 on nothing kept does, and the process each notice came from is
     * noted as it arrives (from the sender hint the shell's notification service adds). */
    _watchNotices() {
        const daemon = Main.notificationDaemon?._fdoNotificationDaemon;
        if (!daemon || typeof daemon._emitActionInvoked !== 'function')
            return;
        const bridge = this;
        const senders = new Map();
        const patched = {
            /* GNOME Shell 50 passes the sender's call too, which it answers on: all go on as given. */
            _emitActionInvoked(id, action, ...rest) {
                const pid = this._notifications instanceof Map
                    ? senders.get(id) : this._notifications?.[id]?.notification?.source?.pid;
                if (pid && bridge._client && bridge._boundWindow && pid === bridge._clientPid)
                    bridge._openGrant(bridge._boundWindow);
                return originals._emitActionInvoked.call(this, id, action, ...rest);
            },
            NotifyAsync(params, invocation) {
                const [, replacesId, , , , , hints] = params;
                const next = this._nextNotificationId;
                const result = originals.NotifyAsync.call(this, params, invocation);
                if (this._notifications instanceof Map) {
                    /* The shell has unpacked the hints in place by now. */
                    const pid = hints['x-shell-sender-pid'];
                    const id = replacesId !== 0 && this._notifications.has(replacesId) ? replacesId : next;
                    if (this._notifications.has(id))
                        senders.set(id, typeof pid === 'number' ? pid : 0);
                    for (const known of senders.keys()) {
                        if (!this._notifications.has(known))
                            senders.delete(known);
                    }
                }
                return result;
            },
        };
        const originals = {};
        const own = {};
        for (const name of Object.keys(patched)) {
            if (typeof daemon[name] !== 'function')
                continue;
            originals[name] = daemon[name];
            own[name] = Object.prototype.hasOwnProperty.call(daemon, name);
            daemon[name] = patched[name];
        }
        this._unwatchNotices = () => {
            for (const name of Object.keys(originals)) {
                if (own[name])
                    daemon[name] = originals[name];
                else
                    delete daemon[name];
            }
        };
    },
});

const GRANT_METHODS = {
    RenewGrant() {
        if (!this._boundWindow || !this._pressedInClient())
            throw new Denied('No press in Quillet just now');
        this._openGrant(this._boundWindow);
    },

    EndGrant() {
        this._endGrant();
    },
};
