// Where an element lies on screen, from what its toolkit answers: mends toolkits that answer screen
#include "platform/linux/atspi/ElementFrame.h"

#include <cmath>

namespace quillet::ElementFrame {

namespace {
bool near(const QPointF& a, const QPointF& b) {
    return std::abs(a.x() - b.x()) <= windowSlack && std::abs(a.y() - b.y()) <= windowSlack;
}
}  // namespace

bool isReal(const Rect& r) {
    // GTK places widgets that are not drawn at INT_MIN; Firefox answers -1 for everything.
    constexpr double nowhere = -1e6;
    return r.width() > 0 && r.height() > 0 && r.x() > nowhere && r.y() > nowhere;
}

std::optional<bool> answersWindowRelative(const std::optional<Rect>& screen,
                                          const std::optional<Rect>& window,
                                          const std::optional<QPointF>& x11Origin) {
    if (!screen || !window || !x11Origin || !isReal(*screen))
        return std::nullopt;
    if (near(*x11Origin, QPointF(0, 0)))
        return std::nullopt;
    // Some toolkits answer window coordinates with screen numbers; that is harmless, and the screen
    // answer then lies where X11 has the window.
    return *screen == *window && near(screen->topLeft(), QPointF(0, 0));
}

QPointF contentOrigin(const Rect& x11Frame, const std::optional<Rect>& windowExtents) {
    if (!windowExtents || !isReal(*windowExtents))
        return x11Frame.topLeft();
    const double left = (x11Frame.width() - windowExtents->width()) / 2;
    const double top = (x11Frame.height() - windowExtents->height()) / 2;
    if (left < 0 || top < 0 || left > windowSlack || top > windowSlack)
        return x11Frame.topLeft();
    return x11Frame.topLeft() + QPointF(left, top);
}

std::optional<Rect> resolve(const std::optional<Rect>& screen, bool windowRelative,
                            const std::optional<QPointF>& x11Origin,
                            const std::function<std::optional<Rect>()>& textExtents) {
    if (screen && isReal(*screen)) {
        if (windowRelative && x11Origin)
            return screen->translated(*x11Origin);
        return screen;
    }
    if (textExtents) {
        if (std::optional<Rect> text = textExtents(); text && isReal(*text))
            return text;
    }
    return std::nullopt;
}

}  // namespace quillet::ElementFrame
