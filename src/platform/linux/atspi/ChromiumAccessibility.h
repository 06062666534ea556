// Switching on the page contents of a Chromium-based application over AT-SPI.
#pragma once

#include <atspi/atspi.h>

#include "platform/Accessibility.h"

namespace quillet::ChromiumAccessibility {

/// Asks the application that owns `element` to expose its contents, when its toolkit is one that
/// waits to be asked (Chromium and Electron): one read of its root's attributes does it for the
/// whole process, and its pages follow 70 to 200 ms later. Other toolkits are left alone and answer
/// success. An error only when the application could not be asked.
AccessError requestContents(AtspiAccessible* element);

}  // namespace quillet::ChromiumAccessibility
