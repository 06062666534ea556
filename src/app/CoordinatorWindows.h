// The widgets the coordinator drives, built for one session: the icon, the toast and the panels.
#pragma once

#include "core/AppCoordinator.h"
#include "ui/OverlayController.h"
#include "ui/SuggestionPanelController.h"
#include "ui/SuggestionPanelFactory.h"
#include "ui/ToastController.h"

namespace quillet {

struct CoordinatorWindows {
    /// The services must outlive the windows.
    explicit CoordinatorWindows(const CoordinatorServices& s)
        : overlay(s.windowHints),
          toast(s.scheduler, s.screens, s.windowHints),
          panels(s.clipboard, s.screens, s.windowHints) {}

    CoordinatorSurfaces surfaces() { return CoordinatorSurfaces{overlay, toast, panels}; }

    OverlayController overlay;
    ToastController toast;
    SuggestionPanelFactory panels;
};

}  // namespace quillet
