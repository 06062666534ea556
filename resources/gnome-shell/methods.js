/* The calls Quillet makes on its GNOME Shell extension, as the bus delivers them: each one checks its
 * caller first (Bridge._call). Part of extension.js, which the build puts together from
 * extension.js.in, this file and the imports and entry of each GNOME Shell version. */

/* "<Super><Shift>g" and "<Shift><Super>G" name the same keys. */
function normalizedAccelerator(accelerator) {
    const mods = [];
    const key = accelerator.replace(/<([^>]+)>/g, (m, name) => {
        const n = name.toLowerCase();
        mods.push({ primary: 'control', ctrl: 'control', mod1: 'alt', mod4: 'super' }[n] ?? n);
        return '';
    }).toLowerCase();
    return `${[...new Set(mods)].sort().join('+')}+${key}`;
}

/* The shell's and the window manager's own bindings of the same keys. */
function shortcutHolder(accelerator) {
    const wanted = normalizedAccelerator(accelerator);
    const source = Gio.SettingsSchemaSource.get_default();
    for (const id of ['org.gnome.desktop.wm.keybindings', 'org.gnome.shell.keybindings',
        'org.gnome.mutter.keybindings', 'org.gnome.mutter.wayland.keybindings',
        'org.gnome.settings-daemon.plugins.media-keys']) {
        const schema = source.lookup(id, true);
        if (!schema)
            continue;
        const settings = new Gio.Settings({ settings_schema: schema });
        for (const key of schema.list_keys()) {
            if (schema.get_key(key).get_value_type().dup_string() !== 'as')
                continue;
            if (settings.get_strv(key).some(a => normalizedAccelerator(a) === wanted))
                return `${id} ${key}`;
        }
    }
    return null;
}

/* The methods, as the bus calls them: each one checks its caller first. */
const METHODS = {
    Hello([client], { sender, pid }) {
        if (client)
            this._adopt(sender, pid);
        return new GLib.Variant('(u)', [PROTOCOL_VERSION]);
    },

    FocusedWindow() {
        this._followWindow(global.display.focus_window);
        return this._describe();
    },

    ShowIcon([rect, state, tooltip]) {
        if (!this._icon)
            this._makeIcon();
        const [x, y, width, height] = rect;
        this._icon.set_style_class_name(`quillet-icon quillet-icon-${state}`);
        this._icon.child.opacity = state === 'loading' ? 115 : 255;
        this._icon.set_size(width, height);
        this._icon.set_position(x, y);
        this._tooltip.text = tooltip;
        this._icon.show();
    },

    HideIcon() {
        this._hideIcon();
    },

    PlaceWindow([title, rect, focus], { pid }) {
        const placement = { pid, title, rect, focus, until: GLib.get_monotonic_time() + PLACEMENT_WAIT_MS * 1000 };
        const windows = global.display.list_all_windows().filter(w => w.get_pid() === pid);
        const window = windows.find(w => w.get_title() === title);
        if (window && window.get_compositor_private()?.visible) {
            this._place(window, placement);
            return;
        }
        /* Not shown yet, or not yet named: placed once it is. */
        this._pending = [...this._pending.filter(p => p.pid !== pid || p.title !== title), placement];
        windows.forEach(w => this._watchNew(w));
    },

    /* Only the window the grant is bound to comes to the front, and only when it is `pid`'s. */
    ActivateProcess([pid]) {
        const window = this._grant?.window;
        if (!window || window.get_pid() !== pid || !window.get_compositor_private())
            return new GLib.Variant('(b)', [false]);
        if (!window.has_focus())
            Main.activateWindow(window);
        return new GLib.Variant('(b)', [true]);
    },

    /* Text alone, and not without end: what else the clipboard holds is left out, and said to be. */
    async GetClipboard() {
        const clipboard = St.Clipboard.get_default();
        const formats = {};
        const mimetypes = clipboard.get_mimetypes(St.ClipboardType.CLIPBOARD);
        let complete = mimetypes.every(isTextFormat);
        let size = 0;
        for (const mimetype of mimetypes.filter(isTextFormat)) {
            const bytes = await Promise.race([
                /* Copied at once: the shell frees the bytes when the callback returns. */
                new Promise(resolve => clipboard.get_content(St.ClipboardType.CLIPBOARD, mimetype,
                    (c, content) => resolve(content ? content.toArray().slice() : null))),
                timeout(CLIPBOARD_READ_MS).then(() => undefined),
            ]);
            if (bytes === undefined) {
                /* An owner that does not answer: the rest would wait as long. */
                complete = false;
                break;
            }
            if (bytes && size + bytes.length > CLIPBOARD_CAP) {
                complete = false;
                break;
            }
            if (bytes) {
                formats[mimetype] = bytes;
                size += bytes.length;
            }
        }
        return new GLib.Variant('(a{say}b)', [formats, complete]);
    },

    SetClipboard([formats]) {
        /* One format only, the text: the shell's one source of clipboard contents that a script can
         * make, Meta.SelectionSourceMemory (behind St.Clipboard), holds a single type, and a source
         * of several types cannot be written here: GJS refuses to implement read_async, whose
         * callback argument it does not support (GNOME 43 and every later GJS alike). So the hint
         * that asks clipboard managers not to keep the text (x-kde-passwordManagerHint) is lost. */
        const clipboard = St.Clipboard.get_default();
        const mimetype = preferredFormat(Object.keys(formats));
        if (!mimetype) {
            this._selection.unset_owner(Meta.SelectionType.SELECTION_CLIPBOARD);
            return;
        }
        clipboard.set_content(St.ClipboardType.CLIPBOARD, mimetype, new GLib.Bytes(formats[mimetype]));
    },

    GetSelectionText() {
        return new Promise(resolve => St.Clipboard.get_default().get_text(St.ClipboardType.PRIMARY,
            (c, text) => resolve(new GLib.Variant('(bs)', [text !== null, text ?? '']))));
    },

    ClipboardChanges() {
        return new GLib.Variant('(t)', [this._clipboardChanges]);
    },

    PressKeys([keys, count]) {
        const sequence = KEY_SEQUENCES[keys];
        if (!sequence || count > MOVES_LIMIT)
            throw new Error(`No keys named ${keys} × ${count}`);
        /* One press after the other: a paste must not start while a select-all is still going down. */
        const pressed = this._keys.then(async () => {
            if (!await this._grantedWindowFocused())
                throw new Denied('The granted window does not have the keyboard');
            return this._pressKeys(sequence, count);
        });
        this._keys = pressed.catch(() => {});
        return pressed;
    },

    SetShortcut([accelerator]) {
        if (accelerator) {
            if (!accelerator.match(/^(<[A-Za-z0-9]+>)*[A-Za-z0-9_]+$/))
                return new GLib.Variant('(s)', ['refused']);
            const holder = shortcutHolder(accelerator);
            if (holder)
                return new GLib.Variant('(s)', [`taken ${holder}`]);
        }
        const previous = this._settings.get_strv(SHORTCUT_KEY);
        this._unbindShortcut();
        this._settings.set_strv(SHORTCUT_KEY, accelerator ? [accelerator] : []);
        if (!this._bindShortcut()) {
            this._settings.set_strv(SHORTCUT_KEY, previous);
            this._bindShortcut();
            return new GLib.Variant('(s)', ['refused']);
        }
        return new GLib.Variant('(s)', ['']);
    },

    SuspendShortcut([suspended]) {
        this._shortcutSuspended = suspended;
        if (suspended)
            this._unbindShortcut();
        else
            this._bindShortcut();
    },
};

for (const [name, handler] of Object.entries({ ...METHODS, ...GRANT_METHODS }))
    Bridge.prototype[`${name}Async`] = function (params, invocation) {
        const unsafe = this._unsafeInstall();
        if (unsafe) {
            invocation.return_dbus_error(UNSAFE_INSTALL, `Writable by the user GNOME Shell runs as: ${unsafe}`);
            return;
        }
        return this._call(name, handler)(params, invocation);
    };
