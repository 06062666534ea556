// The one running copy of the program: a name on the session bus that later starts talk to.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace quillet {

/// What a later start asks of the running copy.
enum class InstanceRequest {
    settings,  ///< show the settings window
    trigger,   ///< what the global shortcut does
    quit,      ///< end
};

class InstanceChannel {
public:
    enum class Claim {
        owned,          ///< this process is now the running copy
        heldElsewhere,  ///< another copy holds the name
        unavailable,    ///< there is no session bus to hold a name on
    };
    enum class Delivery {
        delivered,  ///< the running copy took the request
        noCopy,     ///< nobody holds the name (any more)
        noAnswer,   ///< a copy holds the name but did not answer in time
        busy,       ///< the running copy turned the request down for now (one came just before)
    };
    /// The running copy's answer to a request, given before the request is carried out.
    enum class Admission {
        accepted,  ///< answered with success; the request is carried out
        busy,      ///< turned down for now: one of its kind came too shortly before
        refused,   ///< turned down for good: its moment cannot be true
    };
    /// The process that holds the name.
    struct Holder {
        qint64 pid = 0;
        /// The program it runs, as the system tells it; empty when it cannot be read.
        QString executable;
    };

    InstanceChannel() = default;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    virtual ~InstanceChannel() = default;

    /// Runs on the main thread for each request of a later start, after that start has had its
    /// answer, with how long ago that start made it (zero where that cannot be told).
    using RequestHandler = std::function<void(InstanceRequest request, std::chrono::milliseconds age)>;

    /// Asked for each request of a later start as it arrives, before its answer goes out, with how
    /// long ago that start made it: negative for a moment still to come on this machine's clock,
    /// empty when the start did not say. Only an accepted request reaches the handler.
    using RequestGate =
        std::function<Admission(InstanceRequest request, std::optional<std::chrono::milliseconds> age)>;

    /// Tries to become the running copy; once owned, `onRequest` receives the later starts' requests
    /// that `admit` (none: every one) accepts.
    virtual Claim claim(RequestHandler onRequest, RequestGate admit) = 0;
    /// The process holding the name now; empty when nobody does or the bus does not tell.
    virtual std::optional<Holder> holder() = 0;
    /// Hands `request` to the copy that holds the name, waiting at most `timeout` for its answer.
    virtual Delivery send(InstanceRequest request, std::chrono::milliseconds timeout) = 0;
    /// Waits, at most `timeout`, until nobody holds the name; true when nobody does.
    virtual bool waitUntilReleased(std::chrono::milliseconds timeout) = 0;
    /// Gives the name up, so a later start becomes the running copy; harmless when not owned.
    virtual void release() = 0;
};

}  // namespace quillet
