// The windows the coordinator drives.
#include "core/Surfaces.h"

#include "core/SuggestionViewModel.h"

namespace quillet {

void SuggestionPanels::Release::operator()(SuggestionPanel* panel) const {
    // A panel is often dropped from inside one of its own button handlers. Its requests stop now.
    if (panel) {
        panel->viewModel()->cancel();
        panel->deleteLater();
    }
}

}  // namespace quillet
