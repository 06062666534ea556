// A window or focus change on the accessibility bus, as the backends report it.
#pragma once

#include "base/Accessible.h"

namespace quillet {

/// One accessibility event about windows and focus, as a backend hands it to the rules that follow
/// the focus from events alone.
struct FocusEvent {
    enum class Kind {
        windowActivated,    ///< window:activate, or a window's ACTIVE state turned on
        windowDeactivated,  ///< window:deactivate, or a window's ACTIVE state turned off
        focusGained,        ///< object:state-changed:focused with detail 1
        focusLost,          ///< the same with detail 0
        elementGone,        ///< the element went defunct or left its parent
        applicationGone,    ///< the application left the accessibility bus
    };
    Kind kind = Kind::focusGained;
    /// The window, or the element whose focus changed; unused for applicationGone.
    Accessible element;
    qint32 pid = 0;
};

}  // namespace quillet
