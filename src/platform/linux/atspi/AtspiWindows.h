// The window an AT-SPI element is in: the ancestor just below its application.
#pragma once

#include <atspi/atspi.h>

namespace quillet {

/// A new reference to the top-level ancestor of `a` (`a` itself when it is one); null when `a` is null
/// or its application cannot be reached. Walks at most 64 levels up, one call per level.
AtspiAccessible* topLevelOf(AtspiAccessible* a);

/// Whether the window `a` is in holds the active state: it is the one in front.
bool isInActiveWindow(AtspiAccessible* a);

}  // namespace quillet
