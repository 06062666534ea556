// What the running copy takes from other processes on the session bus. Any program of the user's
// can call it, so a request to read the field in front (a trigger) is taken at most once a second,
// and no request that claims a moment still to come is taken at all: the moment decides how long a
// request stays wanted, and one from the future would stay wanted forever.
#pragma once

#include <chrono>
#include <optional>

#include "platform/InstanceChannel.h"

namespace quillet {

class Scheduler;

class BusRequestRule {
public:
    /// How far two processes' readings of the machine's clock may lie apart.
    static constexpr std::chrono::milliseconds clockAllowance{1000};
    /// The least time between two triggers taken.
    static constexpr std::chrono::milliseconds triggerInterval{1000};

    explicit BusRequestRule(const Scheduler& clock) : m_clock(clock) {}

    /// The answer to `request`, made `age` ago (negative: still to come; empty: not told). A
    /// trigger turned down does not count towards the next one's interval.
    InstanceChannel::Admission admit(InstanceRequest request, std::optional<std::chrono::milliseconds> age);

private:
    const Scheduler& m_clock;
    std::optional<std::chrono::milliseconds> m_lastTrigger;
};

}  // namespace quillet
