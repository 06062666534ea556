// Switching on the page contents of a Chromium-based application over AT-SPI.
#include "platform/linux/atspi/ChromiumAccessibility.h"

#include "platform/linux/atspi/Toolkits.h"
#include "platform/linux/shared/GLibRefs.h"

namespace quillet {

AccessError ChromiumAccessibility::requestContents(AtspiAccessible* element) {
    if (!element)
        return AccessError::illegalArgument;
    GErrorHolder error;
    GRef<AtspiAccessible> root(atspi_accessible_get_application(element, &error));
    if (!root || error)
        return AccessError::cannotComplete;
    const std::optional<QString> toolkit = takeString(atspi_accessible_get_toolkit_name(root.get(), &error));
    if (error || !toolkit)
        return AccessError::cannotComplete;
    if (!Toolkits::exposesPagesOnlyWhenAsked(*toolkit))
        return AccessError::success;
    // Chromium turns its web accessibility on for the first client that asks for attributes: nothing
    // else it is asked (names, states, the tree, events) does. The answer itself is of no use.
    GHashTable* attributes = atspi_accessible_get_attributes(root.get(), &error);
    if (attributes)
        g_hash_table_unref(attributes);
    return error ? AccessError::cannotComplete : AccessError::success;
}

}  // namespace quillet
