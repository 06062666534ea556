/* The entry GNOME Shell 45+ loads: the default export, an Extension. */
export default class ProbeExtension extends Extension {
    enable() {
        this._probe = startProbe();
    }

    disable() {
        this._probe.destroy();
        this._probe = null;
    }
}
