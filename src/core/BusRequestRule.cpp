// What the running copy takes from other processes on the session bus.
#include "core/BusRequestRule.h"

#include "platform/Scheduler.h"

namespace quillet {

InstanceChannel::Admission BusRequestRule::admit(InstanceRequest request,
                                                 std::optional<std::chrono::milliseconds> age) {
    if (age && *age < -clockAllowance)
        return InstanceChannel::Admission::refused;
    if (request != InstanceRequest::trigger)
        return InstanceChannel::Admission::accepted;
    const std::chrono::milliseconds now = m_clock.now();
    if (m_lastTrigger && now - *m_lastTrigger < triggerInterval)
        return InstanceChannel::Admission::busy;
    m_lastTrigger = now;
    return InstanceChannel::Admission::accepted;
}

}  // namespace quillet
