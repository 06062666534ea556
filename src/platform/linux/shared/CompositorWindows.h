// Where the compositor has other programs' windows, for the accessibility backend in a Wayland
// session: there toolkits answer extents relative to their window, and only the compositor knows
// where the window is.
#pragma once

#include <QtGlobal>
#include <optional>

#include "platform/linux/shared/ScreenPosition.h"

namespace quillet {

class CompositorWindows {
public:
    CompositorWindows() = default;
    CompositorWindows(const CompositorWindows&) = delete;
    CompositorWindows& operator=(const CompositorWindows&) = delete;
    virtual ~CompositorWindows() = default;

    /// Whether the compositor tells where windows are now (its extension for Quillet answers).
    virtual bool knowsWindows() = 0;
    /// The rectangles of the focused window when it belongs to process `pid`; empty otherwise.
    virtual std::optional<ScreenPosition::WindowRects> focusedWindow(qint32 pid) = 0;
};

}  // namespace quillet
