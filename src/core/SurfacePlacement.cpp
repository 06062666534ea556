// Where the floating surfaces go: the overlay icon, the toast and the suggestion panel.
#include "core/SurfacePlacement.h"

#include <algorithm>

namespace quillet {

Rect SurfacePlacement::overlayIconFrame(const Rect& fieldFrame) {
    return Rect(maxX(fieldFrame) - iconSize - iconMargin, maxY(fieldFrame) - iconMargin - iconSize, iconSize,
                iconSize);
}

bool SurfacePlacement::isShortField(const Rect& fieldFrame) {
    return fieldFrame.height() < shortFieldHeight || fieldFrame.width() < narrowFieldWidth;
}

namespace {

// The window's frame when it holds some of the field: one that holds none is no window of it.
std::optional<Rect> windowOf(const Rect& fieldFrame, const std::optional<Rect>& windowFrame) {
    return windowFrame && windowFrame->intersects(fieldFrame) ? windowFrame : std::nullopt;
}

// The visible area of the screen that shows most of `frame`; empty when none shows any of it.
std::optional<Rect> screenShowing(const Rect& frame, const QList<ScreenInfo>& screens) {
    std::optional<Rect> best;
    double bestArea = 0;
    for (const ScreenInfo& screen : screens) {
        const Rect shown = screen.visibleFrame.intersected(frame);
        const double area = shown.width() * shown.height();
        if (area > bestArea) {
            best = screen.visibleFrame;
            bestArea = area;
        }
    }
    return best;
}

}  // namespace

Rect SurfacePlacement::visiblePart(const Rect& fieldFrame, const std::optional<Rect>& windowFrame,
                                   const QList<ScreenInfo>& screens) {
    const std::optional<Rect> window = windowOf(fieldFrame, windowFrame);
    const Rect inWindow = window ? fieldFrame.intersected(*window) : fieldFrame;
    const std::optional<Rect> screen = screenShowing(inWindow, screens);
    return screen ? inWindow.intersected(*screen) : inWindow;
}

Rect SurfacePlacement::overlayIconFrame(const Rect& fieldFrame, const std::optional<Rect>& windowFrame,
                                        const QList<ScreenInfo>& screens) {
    // Toolkits report a field's whole frame, though its window shows only part of it (a text area
    // taller than the window, a window half off the screen) or the frame runs past the window's
    // edge (Qt under Wayland): the icon goes where the field is seen.
    const Rect shown = visiblePart(fieldFrame, windowFrame, screens);
    if (!isShortField(shown))
        return overlayIconFrame(shown);
    // Where the icon may go: inside the field's window, when that is known, and the visible area of
    // its screen.
    const std::optional<Rect> window = windowOf(fieldFrame, windowFrame);
    const std::optional<Rect> screen = screenShowing(shown, screens);
    const auto fits = [&](const Rect& icon) {
        return (!window || window->contains(icon)) && (!screen || screen->contains(icon));
    };
    // Beside the field's right edge; where the window ends there, over the field's right end, else
    // under it: never over the text.
    const Rect beside(maxX(shown) + iconOutsideGap, midY(shown) - iconSize / 2, iconSize, iconSize);
    const double endX = maxX(shown) - iconSize;
    for (const Rect& icon : {beside, Rect(endX, minY(shown) - iconOutsideGap - iconSize, iconSize, iconSize),
                             Rect(endX, maxY(shown) + iconOutsideGap, iconSize, iconSize)}) {
        if (fits(icon))
            return icon;
    }
    // No room around it at all: beside it, pulled back inside the window and the screen.
    double x = beside.x(), y = beside.y();
    for (const std::optional<Rect>& area : {window, screen}) {
        if (!area)
            continue;
        x = std::max(std::min(x, maxX(*area) - iconSize), minX(*area));
        y = std::max(std::min(y, maxY(*area) - iconSize), minY(*area));
    }
    return Rect(x, y, iconSize, iconSize);
}

QPointF SurfacePlacement::toastOrigin(const std::optional<Rect>& anchor,
                                      const std::optional<QPointF>& pointer, const QList<ScreenInfo>& screens,
                                      const std::optional<ScreenInfo>& mainScreen) {
    if (!pointer)
        return toastOrigin(anchor, mainScreen);
    if (anchor) {
        // Above the anchor, unless that is off every screen (a field at the top, a whole window).
        const QPointF above = toastOrigin(anchor, mainScreen);
        const Rect toast(above, toastSize);
        for (const ScreenInfo& screen : screens) {
            if (screen.visibleFrame.contains(toast))
                return above;
        }
    }
    double x = pointer->x() - toastSize.width() / 2;
    double y = pointer->y() - toastPointerOffset - toastSize.height();
    for (const ScreenInfo& screen : screens) {
        const Rect& v = screen.visibleFrame;
        if (!screen.frame.contains(*pointer))
            continue;
        x = std::max(std::min(x, maxX(v) - toastSize.width()), minX(v));
        // Below the pointer where there is no room above it.
        if (y < minY(v))
            y = pointer->y() + toastPointerOffset;
        y = std::min(y, maxY(v) - toastSize.height());
        break;
    }
    return {x, y};
}

QPointF SurfacePlacement::toastOrigin(const std::optional<Rect>& anchor,
                                      const std::optional<ScreenInfo>& mainScreen) {
    if (anchor)
        return {maxX(*anchor) - toastSize.width(), minY(*anchor) - toastOffset - toastSize.height()};
    const Rect visible = mainScreen ? mainScreen->visibleFrame : fallbackVisibleFrame;
    return {maxX(visible) - 240, minY(visible) + 60 - toastSize.height()};
}

QPointF SurfacePlacement::suggestionPanelOrigin(const Rect& anchor, const QList<ScreenInfo>& screens,
                                                const std::optional<ScreenInfo>& mainScreen) {
    double x = maxX(anchor) - panelSize.width();
    double y = maxY(anchor) + panelGap;

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
    if (y + panelSize.height() > maxY(visible)) {
        const double above = minY(anchor) - panelGap - panelSize.height();
        // With no room above either (a field about as tall as the screen), the panel stays on the
        // anchor's lower side and is pulled inside the visible area below.
        if (above >= minY(visible))
            y = above;
    }
    // Bottom edge first, so the top edge wins on a screen shorter than the panel: its tabs and the
    // start of the text stay in sight.
    y = std::min(y, maxY(visible) - panelSize.height());
    y = std::max(y, minY(visible));
    // Right margin first, so the left margin wins on a screen narrower than the panel.
    x = std::min(x, maxX(visible) - panelSize.width() - panelScreenMargin);
    x = std::max(x, minX(visible) + panelScreenMargin);
    return {x, y};
}

}  // namespace quillet
