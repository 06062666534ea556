// An icon the desktop itself draws over other programs' windows: where a window of the program's own
// would take the keyboard from the field or could not be placed at all (Wayland).
#pragma once

#include <QObject>
#include <QRectF>
#include <QString>

namespace quillet {

class DesktopIcon : public QObject {
    Q_OBJECT
public:
    /// How the icon looks: ready for a click, a request running, or something wrong.
    enum class Look { ready, loading, error };

    using QObject::QObject;

    /// Whether the desktop draws the icon now; it can come and go while the program runs.
    virtual bool isAvailable() = 0;
    /// Shows the icon at `globalRect` (points; global coordinates, top-left origin, y down), or moves
    /// it there, with `tooltip`; the keyboard stays where it is. False when the desktop did not take it.
    virtual bool show(const QRectF& globalRect, Look look, const QString& tooltip) = 0;
    /// Takes the icon off the screen; harmless when it is not shown.
    virtual void hide() = 0;

Q_SIGNALS:
    /// On the main thread, for each click on the icon.
    void clicked();
    /// On the main thread, when isAvailable() may have changed.
    void availabilityChanged();
};

}  // namespace quillet
