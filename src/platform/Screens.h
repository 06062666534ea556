// The screens, in the desktop's global coordinates (origin top-left, y down).
#pragma once

#include <QList>
#include <QPointF>
#include <optional>

#include "base/Geometry.h"

namespace quillet {

struct ScreenInfo {
    Rect frame;
    /// The frame without panels and docks.
    Rect visibleFrame;
};

class Screens {
public:
    Screens() = default;
    Screens(const Screens&) = delete;
    Screens& operator=(const Screens&) = delete;
    virtual ~Screens() = default;

    /// Every screen in the platform's order; the primary screen first where there is one.
    virtual QList<ScreenInfo> screens() = 0;
    /// The screen the program treats as main; empty when there is no screen at all.
    virtual std::optional<ScreenInfo> mainScreen() = 0;
    /// Where the mouse pointer is now; empty where the desktop does not tell (Wayland).
    virtual std::optional<QPointF> pointer() { return std::nullopt; }
};

}  // namespace quillet
