// The widgets a coordinator under test drives, and the panel it has open as a widget.
#pragma once

#include "app/CoordinatorWindows.h"

namespace quillet {

/// The panel `coordinator` has open, as the widgets draw it; null while none is.
inline SuggestionPanelController* panelController(const AppCoordinator& coordinator) {
    return static_cast<SuggestionPanelController*>(coordinator.suggestionPanel());
}

}  // namespace quillet
