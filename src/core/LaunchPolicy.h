// What a start opens: the request it was made for, the settings where the desktop has no tray, and
// the setup while the accessibility permission or the API key is missing.
#pragma once

#include <optional>

#include "platform/InstanceChannel.h"

namespace quillet {

struct LaunchPlan {
    /// The request to carry out now; empty for a plain start.
    std::optional<InstanceRequest> request;
    /// The request waits until the event loop runs: a check needs the desktop's answers.
    bool requestDeferred = false;
    bool openSettings = false;
    bool openSetup = false;
    /// The setup opens once the keyring has said that no key is stored.
    bool setupWithoutKey = false;
};

namespace LaunchPolicy {

/// The plan for a start made for `firstRequest` (empty: a plain start), given whether the desktop
/// shows tray icons and whether the accessibility permission is there.
LaunchPlan plan(std::optional<InstanceRequest> firstRequest, bool trayAvailable, bool trusted);

}  // namespace LaunchPolicy
}  // namespace quillet
