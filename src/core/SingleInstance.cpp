// One copy at a time: a start either becomes the running copy or hands its request to the one
#include "core/SingleInstance.h"

namespace quillet::SingleInstance {

namespace {

LaunchDecision exitWith(int code, const QString& message = {}, bool isError = false) {
    LaunchDecision d;
    d.exitCode = code;
    d.message = message;
    d.messageIsError = isError;
    return d;
}

}  // namespace

InstanceRequest requestFor(LaunchMode::Kind kind) {
    switch (kind) {
        case LaunchMode::Kind::trigger:
            return InstanceRequest::trigger;
        case LaunchMode::Kind::quit:
            return InstanceRequest::quit;
        default:
            return InstanceRequest::settings;
    }
}

LaunchDecision start(LaunchMode::Kind kind, InstanceChannel& channel,
                     std::function<void(InstanceRequest)> onRequest) {
    const InstanceRequest request = requestFor(kind);
    // Twice at most: a copy that quits between our claim and our call leaves the name free.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const InstanceChannel::Claim claim = channel.claim(onRequest);
        if (claim == InstanceChannel::Claim::heldElsewhere) {
            switch (channel.send(request)) {
                case InstanceChannel::Delivery::delivered:
                    if (request == InstanceRequest::quit && !channel.waitUntilReleased(quitTimeout))
                        return exitWith(1, QStringLiteral("quillet: the running copy did not quit"), true);
                    return exitWith(0);
                case InstanceChannel::Delivery::noAnswer:
                    return exitWith(1, QStringLiteral("quillet: the running copy does not answer"), true);
                case InstanceChannel::Delivery::noCopy:
                    continue;
            }
        }
        if (request == InstanceRequest::quit) {
            channel.release();
            if (claim == InstanceChannel::Claim::unavailable)
                return exitWith(
                    1, QStringLiteral("quillet: no session bus, so no running copy can be reached"), true);
            return exitWith(0, QStringLiteral("Quillet is not running."));
        }
        LaunchDecision run;
        run.runHere = true;
        if (kind == LaunchMode::Kind::trigger || kind == LaunchMode::Kind::settings)
            run.firstRequest = request;
        return run;
    }
    return exitWith(1, QStringLiteral("quillet: the running copy does not answer"), true);
}

}  // namespace quillet::SingleInstance
