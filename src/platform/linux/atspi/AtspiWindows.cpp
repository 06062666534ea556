// The window an AT-SPI element is in: the ancestor just below its application.
#include "platform/linux/atspi/AtspiWindows.h"

#include "platform/linux/shared/GLibRefs.h"

namespace quillet {

AtspiAccessible* topLevelOf(AtspiAccessible* a) {
    if (!a)
        return nullptr;
    GRef<AtspiAccessible> window(static_cast<AtspiAccessible*>(g_object_ref(a)));
    for (int depth = 0; depth < 64; ++depth) {
        GErrorHolder error;
        GRef<AtspiAccessible> parent(atspi_accessible_get_parent(window.get(), &error));
        if (error)
            return nullptr;
        if (!parent || atspi_accessible_get_role(parent.get(), nullptr) == ATSPI_ROLE_APPLICATION)
            break;
        window = std::move(parent);
    }
    return window.release();
}

bool isInActiveWindow(AtspiAccessible* a) {
    GRef<AtspiAccessible> window(topLevelOf(a));
    if (!window)
        return false;
    // Toolkits that keep no cache on the bus (GTK 4) announce no state change for a window made
    // active before the program looked: the state is asked, not remembered.
    atspi_accessible_clear_cache(window.get());
    GRef<AtspiStateSet> states(atspi_accessible_get_state_set(window.get()));
    return states && atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE);
}

}  // namespace quillet
