// Rectangles in points, in the desktop's global coordinates as Qt and the accessibility bus both
// give them: origin at the top-left, y down. minY is a rectangle's top edge, maxY its bottom edge.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace quillet {

using Rect = QRectF;

inline double minX(const Rect& r) {
    return r.x();
}
inline double maxX(const Rect& r) {
    return r.x() + r.width();
}
inline double midX(const Rect& r) {
    return r.x() + r.width() / 2;
}
inline double minY(const Rect& r) {
    return r.y();
}
inline double maxY(const Rect& r) {
    return r.y() + r.height();
}
inline double midY(const Rect& r) {
    return r.y() + r.height() / 2;
}

}  // namespace quillet
