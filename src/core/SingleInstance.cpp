// One copy at a time: a start either becomes the running copy or hands its request to the one
#include "core/SingleInstance.h"

#include "core/TriggerFreshness.h"

namespace quillet::SingleInstance {

namespace {

// Between the moment a start stops waiting and the last moment its request is still carried out:
// the answer needs time to travel back.
constexpr std::chrono::milliseconds answerMargin{500};

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

std::chrono::milliseconds answerTimeout(InstanceRequest request) {
    return request == InstanceRequest::trigger ? TriggerFreshness::maxAge + answerMargin
                                               : std::chrono::milliseconds(8000);
}

bool isStillWanted(InstanceRequest request, std::chrono::milliseconds age) {
    return age <= answerTimeout(request) - answerMargin;
}

LaunchDecision start(LaunchMode::Kind kind, InstanceChannel& channel,
                     InstanceChannel::RequestHandler onRequest) {
    const InstanceRequest request = requestFor(kind);
    // A request that waited past its start's patience was reported as failed there: never carried out.
    InstanceChannel::RequestHandler wanted = [onRequest = std::move(onRequest)](
                                                 InstanceRequest r, std::chrono::milliseconds age) {
        if (onRequest && isStillWanted(r, age))
            onRequest(r, age);
    };
    // Twice at most: a copy that quits between our claim and our call leaves the name free.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const InstanceChannel::Claim claim = channel.claim(wanted);
        if (claim == InstanceChannel::Claim::heldElsewhere) {
            switch (channel.send(request, answerTimeout(request))) {
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
