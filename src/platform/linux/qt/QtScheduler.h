// The scheduler on Qt's event loop.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <map>

#include "platform/Scheduler.h"

class QTimer;

namespace quillet {

class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    TimerId after(std::chrono::milliseconds delay, std::function<void()> fn) override;
    TimerId every(std::chrono::milliseconds interval, std::function<void()> fn) override;
    void post(std::function<void()> fn) override;
    void cancel(TimerId id) override;
    std::chrono::milliseconds now() const override;

private:
    TimerId start(std::chrono::milliseconds interval, bool repeating, std::function<void()> fn);

    QObject m_context;  // parent of the timers; queued calls die with it
    QElapsedTimer m_clock;
    TimerId m_nextId = 1;
    std::map<TimerId, QTimer*> m_timers;
};

}  // namespace quillet
