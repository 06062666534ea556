/* What the GNOME Shell 43-44 build takes from the shell: the imports of the time. */
const { Clutter, Gio, GLib, Meta, Shell, St } = imports.gi;
const Main = imports.ui.main;
const ExtensionUtils = imports.misc.extensionUtils;
