// One copy at a time: a start either becomes the running copy or hands its request to the one
#include "core/SingleInstance.h"

#include "core/SelfCheck.h"
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

// The path of a program file; the system adds " (deleted)" once the file was replaced (an upgrade).
QString programFile(QString path) {
    static const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path;
}

QString describe(const InstanceChannel::Holder& holder) {
    return QStringLiteral("pid %1, %2")
        .arg(holder.pid)
        .arg(holder.executable.isEmpty() ? QStringLiteral("program unknown") : holder.executable);
}

}  // namespace

bool isThisProgram(const QString& executable, const QStringList& ownPrograms) {
    const QString file = programFile(executable);
    if (file.isEmpty())
        return false;
    for (const QString& own : ownPrograms)
        if (!own.isEmpty() && programFile(own) == file)
            return true;
    return false;
}

QString heldByAnotherProgram(const InstanceChannel::Holder& holder) {
    return QStringLiteral(
               "quillet: another program holds Quillet's name on the session bus (%1); "
               "nothing was handed to it")
        .arg(describe(holder));
}

QString doctorLine(const std::optional<InstanceChannel::Holder>& holder, const QStringList& ownPrograms) {
    if (!holder)
        return {};
    if (isThisProgram(holder->executable, ownPrograms))
        return SelfCheck::line(true, QStringLiteral("Running copy"),
                               QStringLiteral("pid %1").arg(holder->pid));
    return SelfCheck::line(false, QStringLiteral("Running copy"),
                           QStringLiteral("another program holds Quillet's name on the session bus (%1)")
                               .arg(describe(*holder)));
}

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

LaunchDecision start(LaunchMode::Kind kind, InstanceChannel& channel, const QStringList& ownPrograms,
                     InstanceChannel::RequestHandler onRequest, InstanceChannel::RequestGate admit) {
    const InstanceRequest request = requestFor(kind);
    // A request that waited past its start's patience was reported as failed there: never carried out.
    InstanceChannel::RequestHandler wanted = [onRequest = std::move(onRequest)](
                                                 InstanceRequest r, std::chrono::milliseconds age) {
        if (onRequest && isStillWanted(r, age))
            onRequest(r, age);
    };
    // Twice at most: a copy that quits between our claim and our call leaves the name free.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const InstanceChannel::Claim claim = channel.claim(wanted, admit);
        if (claim == InstanceChannel::Claim::heldElsewhere) {
            // Whoever holds the name hears what this start was asked for: only this program may.
            if (const std::optional<InstanceChannel::Holder> holder = channel.holder();
                holder && !isThisProgram(holder->executable, ownPrograms))
                return exitWith(1, heldByAnotherProgram(*holder), true);
            switch (channel.send(request, answerTimeout(request))) {
                case InstanceChannel::Delivery::delivered:
                    if (request == InstanceRequest::quit && !channel.waitUntilReleased(quitTimeout))
                        return exitWith(1, QStringLiteral("quillet: the running copy did not quit"), true);
                    return exitWith(0);
                case InstanceChannel::Delivery::noAnswer:
                    return exitWith(1, QStringLiteral("quillet: the running copy does not answer"), true);
                case InstanceChannel::Delivery::busy:
                    return exitWith(
                        1, QStringLiteral("quillet: the running copy is busy; try again in a moment"), true);
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
