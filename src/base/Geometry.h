// Rectangles in points. The same type holds both conventions the program uses: accessibility
// frames (origin top-left of the primary screen, y down) and screen frames (origin bottom-left of
// the primary screen, y up). The names min/max follow the numbers, not the screen direction.
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
