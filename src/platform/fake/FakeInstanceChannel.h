// The session bus of one test: copies of the program are objects that claim the name in turn.
#pragma once

#include <QList>
#include <memory>

#include "platform/InstanceChannel.h"

namespace quillet {

/// The bus the copies share.
struct FakeBus {
    bool reachable = true;
    /// The copy holding the name's request handler; empty when nobody holds it.
    std::function<void(InstanceRequest, std::chrono::milliseconds age)> owner;
    /// False for a copy that is stopped: requests wait for it in `queued` (the sender hears no
    /// answer) until wake() hands them over, as old as the time it slept.
    bool ownerAnswers = true;
    QList<InstanceRequest> queued;
    void wake(std::chrono::milliseconds slept) {
        ownerAnswers = true;
        for (InstanceRequest r : std::exchange(queued, {}))
            if (owner)
                owner(r, slept);
    }
    /// The timeout of the last request sent.
    std::chrono::milliseconds lastTimeout{0};
    /// Called when a request reaches the owner, before it is handled (a copy can quit in between).
    std::function<void()> beforeDelivery;
    /// The owner gives the name up when asked to quit.
    bool ownerQuits = true;
};

class FakeInstanceChannel final : public InstanceChannel {
public:
    explicit FakeInstanceChannel(std::shared_ptr<FakeBus> bus) : m_bus(std::move(bus)) {}

    Claim claim(RequestHandler onRequest) override {
        if (!m_bus->reachable)
            return Claim::unavailable;
        if (m_bus->owner)
            return Claim::heldElsewhere;
        m_bus->owner = [this, onRequest = std::move(onRequest)](InstanceRequest r,
                                                                std::chrono::milliseconds age) {
            received << r;
            if (onRequest)
                onRequest(r, age);
        };
        m_owned = true;
        return Claim::owned;
    }
    Delivery send(InstanceRequest request, std::chrono::milliseconds timeout) override {
        sent << request;
        m_bus->lastTimeout = timeout;
        if (m_bus->beforeDelivery)
            std::exchange(m_bus->beforeDelivery, nullptr)();
        if (!m_bus->owner)
            return Delivery::noCopy;
        if (!m_bus->ownerAnswers) {
            m_bus->queued << request;
            return Delivery::noAnswer;
        }
        m_bus->owner(request, std::chrono::milliseconds(0));
        if (request == InstanceRequest::quit && m_bus->ownerQuits)
            m_bus->owner = nullptr;
        return Delivery::delivered;
    }
    bool waitUntilReleased(std::chrono::milliseconds) override { return !m_bus->owner; }
    void release() override {
        if (m_owned)
            m_bus->owner = nullptr;
        m_owned = false;
    }

    bool owns() const { return m_owned && m_bus->owner; }
    QList<InstanceRequest> sent;
    QList<InstanceRequest> received;

private:
    std::shared_ptr<FakeBus> m_bus;
    bool m_owned = false;
};

}  // namespace quillet
