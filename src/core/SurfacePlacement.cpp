#include "core/SurfacePlacement.h"

#include <algorithm>

namespace quillet {

Rect SurfacePlacement::overlayIconFrame(const Rect& fieldFrame) {
    return Rect(maxX(fieldFrame) - iconSize - iconMargin, minY(fieldFrame) + iconMargin, iconSize, iconSize);
}

QPointF SurfacePlacement::toastOrigin(const std::optional<Rect>& anchor,
                                      const std::optional<ScreenInfo>& mainScreen) {
    if (anchor)
        return {maxX(*anchor) - toastSize.width(), maxY(*anchor) + toastOffset};
    const Rect visible = mainScreen ? mainScreen->visibleFrame : fallbackVisibleFrame;
    return {maxX(visible) - 240, maxY(visible) - 60};
}

QPointF SurfacePlacement::suggestionPanelOrigin(const Rect& anchor, const QList<ScreenInfo>& screens,
                                                const std::optional<ScreenInfo>& mainScreen) {
    double x = maxX(anchor) - panelSize.width();
    double y = minY(anchor) - panelSize.height() - panelGap;

    // A zero-size anchor intersects nothing (as for any empty rectangle) and falls to the main screen.
    std::optional<ScreenInfo> screen;
    for (const ScreenInfo& candidate : screens) {
        if (candidate.frame.intersects(anchor)) {
            screen = candidate;
            break;
        }
    }
    if (!screen)
        screen = mainScreen;
    if (!screen)
        return {x, y};

    const Rect& visible = screen->visibleFrame;
    if (y < minY(visible))
        y = maxY(anchor) + panelGap;
    // Right margin first, so the left margin wins on a screen narrower than the panel.
    x = std::min(x, maxX(visible) - panelSize.width() - panelScreenMargin);
    x = std::max(x, minX(visible) + panelScreenMargin);
    return {x, y};
}

}  // namespace quillet
