// Where an element lies on screen in a Wayland session, from the compositor's rectangles of its
#include "platform/linux/shared/ScreenPosition.h"

#include <cmath>

namespace quillet::ScreenPosition {

namespace {
bool sameSize(const QSizeF& a, const QSizeF& b) {
    return std::abs(a.width() - b.width()) <= sizeSlack && std::abs(a.height() - b.height()) <= sizeSlack;
}
}  // namespace

std::optional<QPointF> windowOrigin(const WindowRects& window, const QSizeF& topLevel) {
    if (topLevel.width() <= 0 || topLevel.height() <= 0)
        return std::nullopt;
    // The buffer first: where it is as large as the frame (no shadows) both answers agree.
    if (sameSize(topLevel, window.buffer.size()))
        return window.buffer.topLeft();
    if (sameSize(topLevel, window.frame.size()))
        return window.frame.topLeft();
    const double side = (window.frame.width() - topLevel.width()) / 2;
    const double top = window.frame.height() - topLevel.height() - side;
    // A title bar is above the contents, never below them, and never thinner than the border.
    if (side < 0 || top < side)
        return std::nullopt;
    return window.frame.topLeft() + QPointF(side, top);
}

std::optional<Rect> of(const WindowRects& window, const QSizeF& topLevel, const Rect& extents) {
    const std::optional<QPointF> origin = windowOrigin(window, topLevel);
    if (!origin)
        return std::nullopt;
    return extents.translated(*origin);
}

}  // namespace quillet::ScreenPosition
