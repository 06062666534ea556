/* The entry GNOME Shell 45+ loads: the default export, an Extension. */
export default class QuilletExtension extends Extension {
    enable() {
        this._bridge = new Bridge(this.getSettings(), this.metadata, this.path);
    }

    disable() {
        this._bridge?.destroy();
        this._bridge = null;
    }
}
