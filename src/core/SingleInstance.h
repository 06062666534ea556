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

/// How long a later start waits for the running copy to take its request. A trigger is about the
/// field in front now: a copy that takes longer (stopped, or the machine busy) is told nothing.
std::chrono::milliseconds answerTimeout(InstanceRequest request);
/// Whether a request that reaches the running copy `age` after it was made is still to be carried
/// out: not once the start that made it may have given up waiting and said it failed.
bool isStillWanted(InstanceRequest request, std::chrono::milliseconds age);

/// The request a start with `kind` (normal, trigger, settings or quit) makes.
InstanceRequest requestFor(LaunchMode::Kind kind);

/// Whether the program `executable` runs (as the system names it; a file replaced since it started
/// is "PATH (deleted)") is this one: one of `ownPrograms`, the paths this program runs from.
bool isThisProgram(const QString& executable, const QStringList& ownPrograms);
/// What a start says when `holder`, another program, holds the running copy's name.
QString heldByAnotherProgram(const InstanceChannel::Holder& holder);
/// The report's line on the running copy's name: who holds it; empty when nobody does.
QString doctorLine(const std::optional<InstanceChannel::Holder>& holder, const QStringList& ownPrograms);

/// Claims the name for a start with `kind`, or hands the request to the copy that holds it, once it
/// is known to be this program (`ownPrograms`); a name held by another program gets nothing. A copy
/// that has just gone leaves its place to this start. Without a session bus the assistant still
/// runs here (there is no way to find another copy). `onRequest` receives the later starts' requests
/// once this process is the running copy, those `admit` accepts and still wanted only.
LaunchDecision start(LaunchMode::Kind kind, InstanceChannel& channel, const QStringList& ownPrograms,
                     InstanceChannel::RequestHandler onRequest, InstanceChannel::RequestGate admit = {});

}  // namespace SingleInstance

}  // namespace quillet
