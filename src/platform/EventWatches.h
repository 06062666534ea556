// The watches on an accessibility layer and the delivery of its events to them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/Accessibility.h"

namespace quillet {

class EventWatches {
public:
    /// A new watch on process `pid`'s events, live until it is destroyed; it must not outlive
    /// this list. `check` answers whether an element may be subscribed to (success, or the
    /// error `watch` returns); a null element never may.
    std::unique_ptr<EventWatch> create(qint32 pid, AccessEventHandler handler,
                                       std::function<AccessError(const Accessible&)> check = {});

    /// Hands `event` about `element` to every live watch on `pid` subscribed to it. A handler may
    /// create or destroy watches: only those still live when their turn comes hear it.
    void deliver(qint32 pid, const Accessible& element, AccessEvent event);

    /// How many watches on `pid` are live.
    int count(qint32 pid) const;

    /// The events the first live watch on `pid` subscribed to, in order.
    QList<AccessEvent> subscriptions(qint32 pid) const;

    // Watches point back at their list: it stays where it is.
    EventWatches() = default;
    EventWatches(const EventWatches&) = delete;
    EventWatches& operator=(const EventWatches&) = delete;

private:
    class Watch;
    std::vector<Watch*> m_live;
};

}  // namespace quillet
