// What a start opens: the request it was made for, the settings where the desktop has no tray, and
// the setup while the accessibility permission or the API key is missing.
#include "core/LaunchPolicy.h"

namespace quillet {

LaunchPlan LaunchPolicy::plan(std::optional<InstanceRequest> firstRequest, bool trayAvailable, bool trusted) {
    LaunchPlan plan;
    plan.request = firstRequest;
    if (firstRequest == InstanceRequest::trigger) {
        // A start made to check a field does only that: a window opened now would take the focus
        // from the field the request is about.
        plan.requestDeferred = true;
        return plan;
    }
    // Without a tray the settings window is the only way in: Pause, the history and Quit are there.
    plan.openSettings = !firstRequest && !trayAvailable;
    plan.openSetup = !trusted;
    // A keyring that never answers is no missing key: the setup is offered only for a key not there.
    plan.setupWithoutKey = trusted;
    return plan;
}

}  // namespace quillet
