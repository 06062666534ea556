// Elements of other applications as libatspi hands them over, and the small questions every part of
// the AT-SPI layer asks of them.
#pragma once

#include <QByteArray>
#include <memory>
#include <optional>

#include "base/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/linux/shared/GLibRefs.h"

#include <atspi/atspi.h>

namespace quillet::atspi {

// One element of another application; holds a reference to libatspi's object for it. libatspi
// keeps a single object per element, so the object's address is the element's identity.
class AtspiRef final : public AccessibleRef {
public:
    explicit AtspiRef(AtspiAccessible* adopted) : m_accessible(adopted) {}
    const void* identity() const override { return m_accessible.get(); }
    AtspiAccessible* accessible() const { return m_accessible.get(); }

private:
    GRef<AtspiAccessible> m_accessible;
};

class SystemWideRef final : public AccessibleRef {
public:
    const void* identity() const override { return this; }
};

inline Accessible adopt(AtspiAccessible* accessible) {
    if (!accessible)
        return {};
    return Accessible(std::make_shared<AtspiRef>(accessible));
}

inline Accessible share(AtspiAccessible* accessible) {
    if (!accessible)
        return {};
    return adopt(static_cast<AtspiAccessible*>(g_object_ref(accessible)));
}

inline AtspiAccessible* accessibleOf(const Accessible& element) {
    auto* ref = dynamic_cast<AtspiRef*>(element.ref());
    return ref ? ref->accessible() : nullptr;
}

// The name of `a`'s application on the accessibility bus: what tells applications apart before
// anything is asked of them, and where the ping to a hung one goes. This is the one read of
// libatspi's private fields: libatspi has no public call for the name, and the public calls that
// lead to the application (its element) ask the application itself, which a hung one would make
// wait for the whole time-out.
inline QByteArray busNameOf(AtspiAccessible* a) {
    if (!a || !a->parent.app || !a->parent.app->bus_name)
        return {};
    return QByteArray(a->parent.app->bus_name);
}

inline AccessError errorOf(const GError* error) {
    // libatspi's error domain and its "application gone" code (0) are not in its public headers.
    if (error && error->domain == g_quark_from_static_string("atspi_error") && error->code == 0)
        return AccessError::invalidElement;
    return AccessError::cannotComplete;
}

inline bool hasState(AtspiAccessible* a, AtspiStateType state) {
    GRef<AtspiStateSet> set(atspi_accessible_get_state_set(a));
    return set && atspi_state_set_contains(set.get(), state);
}

// A text the user types into: editable, with text to read. (Chromium's fields have no EditableText.)
inline bool isTypedInto(AtspiAccessible* a) {
    if (!a || !hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    return bool(text);
}

// The same, empty where it cannot tell yet: the application did not answer (every live element
// has some state, every editable one text), or an element not on screen is not editable yet (a
// GTK 4 search bar sliding open: its entry becomes editable a moment later, and never says it is
// showing). Only a text on screen that is not editable is no text to type into.
inline std::optional<bool> isTypedIntoIfAnswered(AtspiAccessible* a) {
    GRef<AtspiStateSet> set(a ? atspi_accessible_get_state_set(a) : nullptr);
    if (!set || atspi_state_set_is_empty(set.get()))
        return std::nullopt;
    if (!atspi_state_set_contains(set.get(), ATSPI_STATE_EDITABLE)) {
        if (!atspi_state_set_contains(set.get(), ATSPI_STATE_SHOWING))
            return std::nullopt;
        return false;
    }
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    return text ? std::optional(true) : std::nullopt;
}

inline std::optional<Rect> rectOf(AtspiRect* handedOver) {
    const GOwned<AtspiRect> r(handedOver);
    if (!r)
        return std::nullopt;
    return Rect(r->x, r->y, r->width, r->height);
}

}  // namespace quillet::atspi
