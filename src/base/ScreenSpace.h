// The one conversion between screen frames (bottom-left origin, y up) and the window system's global
// coordinates (top-left origin, y down), both in points.
#pragma once

#include <QRectF>

#include "base/Geometry.h"

namespace quillet::ScreenSpace {

/// `frame` (screen frame) as a rectangle in global coordinates. `primaryGlobal` is the primary
/// screen's rectangle in global coordinates: its bottom-left corner is the screen frames' origin.
QRectF toGlobal(const Rect& frame, const QRectF& primaryGlobal);
/// The inverse of toGlobal: a global rectangle as a screen frame.
Rect fromGlobal(const QRectF& global, const QRectF& primaryGlobal);

}  // namespace quillet::ScreenSpace
