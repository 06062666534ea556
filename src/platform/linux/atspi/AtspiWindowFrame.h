// Where an AT-SPI element lies on screen in a Wayland session: its extents relative to its window
// (what every toolkit answers there), moved by where the compositor has that window.
#pragma once

#include <optional>

#include "base/Geometry.h"
#include "platform/Accessibility.h"

typedef struct _AtspiAccessible AtspiAccessible;

namespace quillet {

class CompositorWindows;

namespace AtspiWindowFrame {

/// The element's frame in global coordinates (top-left origin, y down). Empty, with `err` set, when
/// the element has no extents, its window is not the focused one the compositor describes, or its
/// toolkit's answer fits no known origin. `pid` is the process whose window shows the element.
std::optional<Rect> of(AtspiAccessible* element, qint32 pid, CompositorWindows& windows, AccessError& err);

}  // namespace AtspiWindowFrame
}  // namespace quillet
