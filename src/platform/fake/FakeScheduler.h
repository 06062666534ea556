// A scheduler on a virtual clock: nothing runs until the test advances time.
#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "platform/Scheduler.h"

namespace quillet {

class FakeScheduler final : public Scheduler {
public:
    TimerId after(std::chrono::milliseconds delay, std::function<void()> fn) override;
    TimerId every(std::chrono::milliseconds interval, std::function<void()> fn) override;
    void post(std::function<void()> fn) override;
    void cancel(TimerId id) override;
    std::chrono::milliseconds now() const override { return m_now; }

    /// Moves the clock forward, running every posted call and due timer in deadline order.
    void advance(std::chrono::milliseconds by);
    /// Moves the clock forward without running anything: the time a blocking call takes.
    void spend(std::chrono::milliseconds by) { m_now += by; }
    /// Runs posted calls (and timers due now) without moving the clock.
    void runPending() { advance(std::chrono::milliseconds(0)); }
    /// Number of timers still waiting (posted calls not included).
    std::size_t pendingTimers() const { return m_timers.size(); }

private:
    struct Timer {
        std::chrono::milliseconds deadline;
        std::chrono::milliseconds interval;  // zero for one-shot timers
        std::function<void()> fn;
    };
    bool runPosted();

    std::chrono::milliseconds m_now{0};
    TimerId m_nextId = 1;
    std::map<TimerId, Timer> m_timers;
    std::mutex m_postedMutex;
    std::vector<std::function<void()>> m_posted;
};

}  // namespace quillet
