// The one conversion between screen frames (bottom-left origin, y up) and the window system's global
#include "base/ScreenSpace.h"

namespace quillet {

// Both directions are the same reflection about the primary screen's bottom edge, so applying
// either twice gives back the rectangle it started from.
QRectF ScreenSpace::toGlobal(const Rect& frame, const QRectF& primaryGlobal) {
    const double bottom = primaryGlobal.y() + primaryGlobal.height();
    return QRectF(primaryGlobal.x() + frame.x(), bottom - frame.y() - frame.height(), frame.width(),
                  frame.height());
}

Rect ScreenSpace::fromGlobal(const QRectF& global, const QRectF& primaryGlobal) {
    const double bottom = primaryGlobal.y() + primaryGlobal.height();
    return Rect(global.x() - primaryGlobal.x(), bottom - global.y() - global.height(), global.width(),
                global.height());
}

}  // namespace quillet
