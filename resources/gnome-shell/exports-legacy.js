/* The entry GNOME Shell 43-44 calls: init() returns the object it enables and disables. */
class QuilletExtension {
    constructor(extension) {
        this._extension = extension;
        this._bridge = null;
    }

    enable() {
        this._bridge = new Bridge(ExtensionUtils.getSettings(), this._extension.metadata, this._extension.path);
    }

    disable() {
        this._bridge?.destroy();
        this._bridge = null;
    }
}

/* exported init */
function init(extension) {
    return new QuilletExtension(extension);
}
