// The AT-SPI layer's frames: where an element lies on screen, mended where its toolkit answers
// relative to its window or not at all.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include "platform/linux/atspi/AtspiWindowFrame.h"
#include "platform/linux/atspi/AtspiWindows.h"
#include "platform/linux/atspi/ElementFrame.h"
#include "platform/linux/shared/CompositorWindows.h"

namespace quillet {

using namespace atspi;

std::optional<QPointF> AtspiAccessibility::Impl::relativeOrigin(AtspiAccessible* a, qint32 pid) {
    if (!windowFrame)
        return std::nullopt;
    WindowAnswers& answers = windowAnswersByBus[busNameOf(a)];
    if (answers.relative == false)
        return std::nullopt;
    const std::optional<QRectF> x11 = windowFrame(pid);
    if (!x11)
        return std::nullopt;
    const auto extents = [](AtspiAccessible* window, AtspiCoordType type) -> std::optional<Rect> {
        GRef<AtspiComponent> component(atspi_accessible_get_component_iface(window));
        if (!component)
            return std::nullopt;
        return rectOf(atspi_component_get_extents(component.get(), type, nullptr));
    };
    if (!answers.relative) {
        if (x11->topLeft() == answers.triedAt)
            return std::nullopt;
        answers.triedAt = x11->topLeft();
        GRef<AtspiAccessible> window(topLevelOf(a));
        if (!window)
            return std::nullopt;
        answers.relative = ElementFrame::answersWindowRelative(extents(window.get(), ATSPI_COORD_TYPE_SCREEN),
                                                               extents(window.get(), ATSPI_COORD_TYPE_WINDOW),
                                                               x11->topLeft());
        if (answers.relative != true)
            return std::nullopt;
        answers.window = share(window.get());
    }
    AtspiAccessible* window = accessibleOf(answers.window);
    return ElementFrame::contentOrigin(*x11,
                                       window ? extents(window, ATSPI_COORD_TYPE_WINDOW) : std::nullopt);
}

std::optional<Rect> AtspiAccessibility::Impl::frameOf(AtspiAccessible* a, AccessError& err) {
    if (compositor && compositor->knowsWindows())
        return AtspiWindowFrame::of(a, hostOf(a), *compositor, err);
    GRef<AtspiComponent> component(atspi_accessible_get_component_iface(a));
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!component && !text) {
        err = AccessError::unsupported;
        return std::nullopt;
    }
    std::optional<Rect> screen;
    if (component) {
        GErrorHolder error;
        screen = rectOf(atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error));
        if (error) {
            err = errorOf(error.error);
            return std::nullopt;
        }
    }
    std::optional<QPointF> origin;
    if (screen && ElementFrame::isReal(*screen))
        origin = relativeOrigin(a, hostOf(a));
    // Where the element itself has no extents (Firefox, before its window first moves), its text
    // still has: the whole text's, else the caret's character.
    const auto textExtents = [&]() -> std::optional<Rect> {
        if (!text)
            return std::nullopt;
        const int count = atspi_text_get_character_count(text.get(), nullptr);
        std::optional<Rect> range;
        if (count > 0)
            range =
                rectOf(atspi_text_get_range_extents(text.get(), 0, count, ATSPI_COORD_TYPE_SCREEN, nullptr));
        if (range && ElementFrame::isReal(*range))
            return range;
        const int caret = atspi_text_get_caret_offset(text.get(), nullptr);
        return rectOf(atspi_text_get_character_extents(text.get(), std::max(caret, 0),
                                                       ATSPI_COORD_TYPE_SCREEN, nullptr));
    };
    std::optional<Rect> frame = ElementFrame::resolve(screen, origin.has_value(), origin, textExtents);
    if (!frame)
        err = AccessError::noValue;
    return frame;
}

}  // namespace quillet
