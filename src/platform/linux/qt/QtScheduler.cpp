// The scheduler on Qt's event loop.
#include "platform/linux/qt/QtScheduler.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace quillet {

QtScheduler::QtScheduler() {
    m_clock.start();
    // Posted calls must land on the main thread even when the scheduler is made elsewhere.
    if (QCoreApplication* app = QCoreApplication::instance())
        m_context.moveToThread(app->thread());
}

QtScheduler::~QtScheduler() = default;

TimerId QtScheduler::start(std::chrono::milliseconds interval, bool repeating, std::function<void()> fn) {
    const TimerId id = m_nextId++;
    auto* timer = new QTimer(&m_context);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    timer->setInterval(interval);
    QObject::connect(timer, &QTimer::timeout, &m_context, [this, id, repeating, fn = std::move(fn)] {
        if (!repeating)
            cancel(id);  // forget it before running, so fn may schedule afresh
        fn();
    });
    m_timers[id] = timer;
    timer->start();
    return id;
}

TimerId QtScheduler::after(std::chrono::milliseconds delay, std::function<void()> fn) {
    return start(delay, false, std::move(fn));
}

TimerId QtScheduler::every(std::chrono::milliseconds interval, std::function<void()> fn) {
    return start(interval, true, std::move(fn));
}

void QtScheduler::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&m_context, std::move(fn), Qt::QueuedConnection);
}

void QtScheduler::cancel(TimerId id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
}

std::chrono::milliseconds QtScheduler::now() const {
    return std::chrono::milliseconds(m_clock.elapsed());
}

}  // namespace quillet
