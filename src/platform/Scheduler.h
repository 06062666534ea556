// Timers and deferred calls on the main thread, behind one seam so tests run on virtual time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace quillet {

using TimerId = std::uint64_t;

class Scheduler {
public:
    Scheduler() = default;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;
    virtual ~Scheduler() = default;

    /// Runs `fn` once on the main thread after `delay`. The id stays valid for cancel() until it ran.
    virtual TimerId after(std::chrono::milliseconds delay, std::function<void()> fn) = 0;
    /// Runs `fn` on the main thread every `interval` until cancelled; the first run is one interval away.
    virtual TimerId every(std::chrono::milliseconds interval, std::function<void()> fn) = 0;
    /// Runs `fn` on the main thread as soon as the event loop gets to it. Safe to call from any thread.
    virtual void post(std::function<void()> fn) = 0;
    /// Stops a pending one-shot or repeating timer; unknown or finished ids are ignored.
    virtual void cancel(TimerId id) = 0;
    /// Monotonic time, for measuring intervals.
    virtual std::chrono::milliseconds now() const = 0;
};

}  // namespace quillet
