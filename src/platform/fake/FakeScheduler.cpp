#include "platform/fake/FakeScheduler.h"

namespace quillet {

TimerId FakeScheduler::after(std::chrono::milliseconds delay, std::function<void()> fn) {
    const TimerId id = m_nextId++;
    m_timers[id] = Timer{m_now + std::max(delay, std::chrono::milliseconds(0)), std::chrono::milliseconds(0),
                         std::move(fn)};
    return id;
}

TimerId FakeScheduler::every(std::chrono::milliseconds interval, std::function<void()> fn) {
    const TimerId id = m_nextId++;
    const auto step = std::max(interval, std::chrono::milliseconds(1));
    m_timers[id] = Timer{m_now + step, step, std::move(fn)};
    return id;
}

void FakeScheduler::post(std::function<void()> fn) {
    std::lock_guard lock(m_postedMutex);
    m_posted.push_back(std::move(fn));
}

void FakeScheduler::cancel(TimerId id) {
    m_timers.erase(id);
}

bool FakeScheduler::runPosted() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard lock(m_postedMutex);
        batch.swap(m_posted);
    }
    for (auto& fn : batch)
        fn();
    return !batch.empty();
}

void FakeScheduler::advance(std::chrono::milliseconds by) {
    const auto end = m_now + by;
    while (true) {
        while (runPosted()) {
        }
        // The earliest due timer; ties go to the one created first (lower id).
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.deadline <= end &&
                (next == m_timers.end() || it->second.deadline < next->second.deadline))
                next = it;
        }
        if (next == m_timers.end())
            break;
        m_now = std::max(m_now, next->second.deadline);
        std::function<void()> fn = next->second.fn;
        if (next->second.interval.count() > 0) {
            next->second.deadline += next->second.interval;
        } else {
            m_timers.erase(next);
        }
        fn();
    }
    m_now = std::max(m_now, end);
}

}  // namespace quillet
