// Where an AT-SPI element lies on screen in a Wayland session: its extents relative to its window
#include "platform/linux/atspi/AtspiWindowFrame.h"

#include <atspi/atspi.h>

#include "platform/linux/shared/CompositorWindows.h"
#include "platform/linux/shared/GLibRefs.h"
#include "platform/linux/shared/ScreenPosition.h"

namespace quillet::AtspiWindowFrame {

namespace {

// GTK places widgets that are not drawn far off; Firefox answers -1 for everything.
bool isReal(const std::optional<Rect>& r) {
    return r && r->width() > 0 && r->height() > 0 && r->x() > -1e6 && r->y() > -1e6;
}

std::optional<Rect> windowExtents(AtspiAccessible* a) {
    GRef<AtspiComponent> component(atspi_accessible_get_component_iface(a));
    if (!component)
        return std::nullopt;
    const GOwned<AtspiRect> r(atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_WINDOW, nullptr));
    if (!r)
        return std::nullopt;
    return Rect(r->x, r->y, r->width, r->height);
}

// Where the element has no extents of its own (Firefox), its text still has.
std::optional<Rect> textExtents(AtspiAccessible* a) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text)
        return std::nullopt;
    const int count = atspi_text_get_character_count(text.get(), nullptr);
    if (count <= 0)
        return std::nullopt;
    const GOwned<AtspiRect> r(
        atspi_text_get_range_extents(text.get(), 0, count, ATSPI_COORD_TYPE_WINDOW, nullptr));
    if (!r)
        return std::nullopt;
    return Rect(r->x, r->y, r->width, r->height);
}

// The top level is the ancestor just below the application. Parents and roles come from
// libatspi's cache for most toolkits, so the walk costs little.
GRef<AtspiAccessible> topLevelOf(AtspiAccessible* a) {
    GRef<AtspiAccessible> window(static_cast<AtspiAccessible*>(g_object_ref(a)));
    for (int depth = 0; depth < 64; ++depth) {
        GRef<AtspiAccessible> parent(atspi_accessible_get_parent(window.get(), nullptr));
        if (!parent || atspi_accessible_get_role(parent.get(), nullptr) == ATSPI_ROLE_APPLICATION)
            break;
        window = std::move(parent);
    }
    return window;
}

}  // namespace

std::optional<Rect> of(AtspiAccessible* element, qint32 pid, CompositorWindows& windows, AccessError& err) {
    err = AccessError::noValue;
    std::optional<Rect> extents = windowExtents(element);
    if (!isReal(extents))
        extents = textExtents(element);
    if (!isReal(extents))
        return std::nullopt;
    if (pid <= 0)
        return std::nullopt;
    const std::optional<ScreenPosition::WindowRects> rects = windows.focusedWindow(pid);
    if (!rects)
        return std::nullopt;
    const GRef<AtspiAccessible> top = topLevelOf(element);
    const std::optional<Rect> topExtents = windowExtents(top.get());
    if (!topExtents)
        return std::nullopt;
    const std::optional<Rect> frame = ScreenPosition::of(*rects, topExtents->size(), *extents);
    if (frame)
        err = AccessError::success;
    return frame;
}

}  // namespace quillet::AtspiWindowFrame
