// Where an element lies on screen in a Wayland session, from the compositor's rectangles of its
// window and the window-relative extents its toolkit gives over AT-SPI. Pure: no display needed.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <optional>

#include "base/Geometry.h"

namespace quillet::ScreenPosition {

/// What the compositor knows of one window, in global coordinates (top-left origin, y down).
struct WindowRects {
    /// The window as the desktop shows it: the visible frame, without invisible borders or shadows.
    Rect frame;
    /// The surface the program draws, client-side shadows and invisible borders included.
    Rect buffer;
};

/// Sizes that differ by no more than this count as equal: fractional scales round either way.
inline constexpr double sizeSlack = 1;

/// Where the toolkit's window coordinates start on screen. The size the toolkit gives its top level
/// tells which rectangle it counts from: the buffer's size (GTK 3 with its client-side shadows, or a
/// program whose title bar the compositor draws), the buffer's origin; the frame's size (GTK 4), the
/// frame's origin; smaller than the frame (Qt drawing its own title bar inside the frame), the frame's
/// origin moved past even side and bottom borders and the title bar above. Empty when the size fits
/// none of these: no position beats a wrong one.
std::optional<QPointF> windowOrigin(const WindowRects& window, const QSizeF& topLevelSize);

/// The element's rectangle in global coordinates: its window-relative extents moved by the window's
/// origin. Empty when the origin cannot be told.
std::optional<Rect> of(const WindowRects& window, const QSizeF& topLevelSize, const Rect& windowExtents);

}  // namespace quillet::ScreenPosition
