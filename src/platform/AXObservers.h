// The observers of an accessibility layer and the delivery of its notifications to them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/Accessibility.h"

namespace quillet {

class AXObservers {
public:
    /// A new observer of process `pid`'s notifications, live until it is destroyed; it must not
    /// outlive this list. `check` answers whether an element may be subscribed to (success, or the
    /// error `addNotification` returns); a null element never may.
    std::unique_ptr<AXObserver> create(qint32 pid, AXNotificationHandler handler,
                                       std::function<AXError(const AXElement&)> check = {});

    /// Hands `notification` about `element` to every live observer of `pid` subscribed to it. A
    /// handler may create or destroy observers: only those still live when their turn comes hear it.
    void deliver(qint32 pid, const AXElement& element, const QString& notification);

    /// How many observers of `pid` are live.
    int count(qint32 pid) const;

    /// The notification names the first live observer of `pid` subscribed to, in order.
    QStringList subscriptions(qint32 pid) const;

    // Observers point back at their list: it stays where it is.
    AXObservers() = default;
    AXObservers(const AXObservers&) = delete;
    AXObservers& operator=(const AXObservers&) = delete;

private:
    class Observer;
    std::vector<Observer*> m_live;
};

}  // namespace quillet
