// The one running copy of the program: a name on the session bus that later starts talk to.
#pragma once

#include <chrono>
#include <functional>

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
    };

    InstanceChannel() = default;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    virtual ~InstanceChannel() = default;

    /// Runs on the main thread for each request of a later start, after that start has had its
    /// answer, with how long ago that start made it (zero where that cannot be told).
    using RequestHandler = std::function<void(InstanceRequest request, std::chrono::milliseconds age)>;

    /// Tries to become the running copy; once owned, `onRequest` receives the later starts' requests.
    virtual Claim claim(RequestHandler onRequest) = 0;
    /// Hands `request` to the copy that holds the name, waiting at most `timeout` for its answer.
    virtual Delivery send(InstanceRequest request, std::chrono::milliseconds timeout) = 0;
    /// Waits, at most `timeout`, until nobody holds the name; true when nobody does.
    virtual bool waitUntilReleased(std::chrono::milliseconds timeout) = 0;
    /// Gives the name up, so a later start becomes the running copy; harmless when not owned.
    virtual void release() = 0;
};

}  // namespace quillet
