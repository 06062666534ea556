// The applications that stopped answering over AT-SPI: calls to them fail at once until they answer
// a ping, so one hung application costs one time-out, not one per call.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QSet>
#include <memory>

#include "platform/Accessibility.h"

namespace quillet {

class HungApplications {
public:
    /// `callTimeoutMs` is how long libatspi waits for one answer.
    explicit HungApplications(int callTimeoutMs) : m_timeOutMs(callTimeoutMs * 8 / 10) {}

    /// Whether the application on accessibility bus name `bus` is hung: nothing may be asked of it.
    bool contains(const QByteArray& bus) const { return !bus.isEmpty() && m_hung->contains(bus); }

    /// Runs `operation`, which asks the application on `bus`. Whatever part of it ran into the
    /// time-out (fetching an interface, a state, the value), the application is hung from then on,
    /// until it answers a ping.
    template <typename Operation>
    AccessError guard(const QByteArray& bus, Operation operation) {
        QElapsedTimer timer;
        timer.start();
        const AccessError result = operation();
        if (result != AccessError::success && timer.elapsed() >= m_timeOutMs)
            markHung(bus);
        return result;
    }

private:
    void markHung(const QByteArray& bus);

    qint64 m_timeOutMs;
    // Shared with the pings in flight, which may answer after this is gone.
    std::shared_ptr<QSet<QByteArray>> m_hung = std::make_shared<QSet<QByteArray>>();
};

}  // namespace quillet
