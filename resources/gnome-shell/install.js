/* Whether this install may serve anyone at all: a program or extension the shell's user could
 * change serves no one. Part of extension.js: see extension.js.in. */

/* The shell's user and the groups it writes with, from its process's own record. */
function shellCredentials() {
    const [, bytes] = GLib.file_get_contents('/proc/self/status');
    const status = new TextDecoder().decode(bytes);
    const field = name => (status.match(new RegExp(`^${name}:(.*)$`, 'm'))?.[1] ?? '')
        .split(/\s+/).filter(n => n).map(Number);
    return { uid: field('Uid')[1], groups: new Set([...field('Gid').slice(1, 2), ...field('Groups')]) };
}

/* The first of `paths` (or of the folders above one, up to /) that the shell's user can change: one
 * it owns, one its groups may write, or one anyone may write. A path that cannot be looked at counts
 * as changeable. Null when there is none. */
function writablePath(paths) {
    const { uid, groups } = shellCredentials();
    for (const path of paths.filter(p => p)) {
        for (let file = Gio.File.new_for_path(path); file; file = file.get_parent()) {
            let info;
            try {
                info = file.query_info('unix::uid,unix::gid,unix::mode', Gio.FileQueryInfoFlags.NONE, null);
            } catch (e) {
                return file.get_path();
            }
            const mode = info.get_attribute_uint32('unix::mode');
            if (info.get_attribute_uint32('unix::uid') === uid || (mode & 0o002) ||
                ((mode & 0o020) && groups.has(info.get_attribute_uint32('unix::gid'))))
                return file.get_path();
        }
    }
    return null;
}

Object.assign(Bridge.prototype, {
    /* Why this install serves no one: the program, the extension's folder or its metadata, or a
     * folder above one of them, is writable by the user the shell runs as. Any program of that user
     * could then put its own binary (or its own extension) where Quillet's is, and the check of the
     * caller's program would mean nothing. Null when the install is safe, or when the shell was
     * started for development with QUILLET_SHELL_DEVELOPMENT=1 (the session tests' build-tree
     * install, run as root): a running shell's environment is not something an ordinary program can
     * change. Looked at once: only another user (root) could make a safe install unsafe. */
    _unsafeInstall() {
        if (this._installVerdict === undefined) {
            const dir = this._emblem.get_parent().get_path();
            this._installVerdict = GLib.getenv('QUILLET_SHELL_DEVELOPMENT') === '1'
                ? null : writablePath([this._program, dir, `${dir}/metadata.json`]);
        }
        return this._installVerdict;
    },
});
