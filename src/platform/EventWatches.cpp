// The watches on an accessibility layer and the delivery of its events to them.
#include "platform/EventWatches.h"

#include <algorithm>

namespace quillet {

class EventWatches::Watch final : public EventWatch {
public:
    Watch(EventWatches& list, qint32 pid, AccessEventHandler handler,
          std::function<AccessError(const Accessible&)> check)
        : m_list(list), m_pid(pid), m_handler(std::move(handler)), m_check(std::move(check)) {
        m_list.m_live.push_back(this);
    }
    ~Watch() override { std::erase(m_list.m_live, this); }

    AccessError watch(const Accessible& element, AccessEvent event) override {
        if (element.isNull())
            return AccessError::illegalArgument;
        if (m_check) {
            if (const AccessError refused = m_check(element); refused != AccessError::success)
                return refused;
        }
        if (!m_events.contains(event))
            m_events << event;
        return AccessError::success;
    }

    EventWatches& m_list;
    const qint32 m_pid;
    const AccessEventHandler m_handler;
    const std::function<AccessError(const Accessible&)> m_check;
    QList<AccessEvent> m_events;
};

std::unique_ptr<EventWatch> EventWatches::create(qint32 pid, AccessEventHandler handler,
                                                 std::function<AccessError(const Accessible&)> check) {
    return std::make_unique<Watch>(*this, pid, std::move(handler), std::move(check));
}

void EventWatches::deliver(qint32 pid, const Accessible& element, AccessEvent event) {
    const std::vector<Watch*> snapshot = m_live;
    for (Watch* o : snapshot) {
        if (std::find(m_live.begin(), m_live.end(), o) == m_live.end())
            continue;
        if (o->m_pid == pid && o->m_events.contains(event))
            o->m_handler(element, event);
    }
}

int EventWatches::count(qint32 pid) const {
    return int(
        std::count_if(m_live.begin(), m_live.end(), [pid](const Watch* o) { return o->m_pid == pid; }));
}

QList<AccessEvent> EventWatches::subscriptions(qint32 pid) const {
    for (const Watch* o : m_live) {
        if (o->m_pid == pid)
            return o->m_events;
    }
    return {};
}

}  // namespace quillet
