// One copy at a time: a start either becomes the running copy or hands its request to the one
// that runs, and says what to do next.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

#include "core/LaunchMode.h"
#include "platform/InstanceChannel.h"

namespace quillet {

struct LaunchDecision {
    /// This process is the running copy: it starts the assistant, then carries out `firstRequest`.
    bool runHere = false;
    /// For a copy that runs here: what its own command line asked for (nothing for a plain start).
    std::optional<InstanceRequest> firstRequest;
    /// For a process that ends at once: its exit status and the line it prints, if any.
    int exitCode = 0;
    QString message;
    bool messageIsError = false;
};

namespace SingleInstance {

/// How long `--quit` waits for the running copy to be gone.
inline constexpr std::chrono::milliseconds quitTimeout{10000};

/// The request a start with `kind` (normal, trigger, settings or quit) makes.
InstanceRequest requestFor(LaunchMode::Kind kind);

/// Claims the name for a start with `kind`, or hands the request to the copy that holds it. A copy
/// that has just gone leaves its place to this start. Without a session bus the assistant still
/// runs here (there is no way to find another copy). `onRequest` receives the later starts' requests
/// once this process is the running copy.
LaunchDecision start(LaunchMode::Kind kind, InstanceChannel& channel,
                     std::function<void(InstanceRequest)> onRequest);

}  // namespace SingleInstance

}  // namespace quillet
