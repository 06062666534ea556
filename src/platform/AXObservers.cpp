// The observers of an accessibility layer and the delivery of its notifications to them.
#include "platform/AXObservers.h"

#include <algorithm>

namespace quillet {

class AXObservers::Observer final : public AXObserver {
public:
    Observer(AXObservers& list, qint32 pid, AXNotificationHandler handler,
             std::function<AXError(const AXElement&)> check)
        : m_list(list), m_pid(pid), m_handler(std::move(handler)), m_check(std::move(check)) {
        m_list.m_live.push_back(this);
    }
    ~Observer() override { std::erase(m_list.m_live, this); }

    AXError addNotification(const AXElement& element, const QString& notification) override {
        if (element.isNull())
            return AXError::illegalArgument;
        if (m_check) {
            if (const AXError refused = m_check(element); refused != AXError::success)
                return refused;
        }
        if (!m_names.contains(notification))
            m_names << notification;
        return AXError::success;
    }

    AXObservers& m_list;
    const qint32 m_pid;
    const AXNotificationHandler m_handler;
    const std::function<AXError(const AXElement&)> m_check;
    QStringList m_names;
};

std::unique_ptr<AXObserver> AXObservers::create(qint32 pid, AXNotificationHandler handler,
                                                std::function<AXError(const AXElement&)> check) {
    return std::make_unique<Observer>(*this, pid, std::move(handler), std::move(check));
}

void AXObservers::deliver(qint32 pid, const AXElement& element, const QString& notification) {
    const std::vector<Observer*> snapshot = m_live;
    for (Observer* o : snapshot) {
        if (std::find(m_live.begin(), m_live.end(), o) == m_live.end())
            continue;
        if (o->m_pid == pid && o->m_names.contains(notification))
            o->m_handler(element, notification);
    }
}

int AXObservers::count(qint32 pid) const {
    return int(
        std::count_if(m_live.begin(), m_live.end(), [pid](const Observer* o) { return o->m_pid == pid; }));
}

QStringList AXObservers::subscriptions(qint32 pid) const {
    for (const Observer* o : m_live) {
        if (o->m_pid == pid)
            return o->m_names;
    }
    return {};
}

}  // namespace quillet
