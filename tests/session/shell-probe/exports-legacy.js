/* The entry GNOME Shell 43-44 calls: init() returns the object it enables and disables. */
/* exported init */
function init() {
    return {
        enable() {
            this._probe = startProbe();
        },
        disable() {
            this._probe.destroy();
            this._probe = null;
        },
    };
}
