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
    /// The owner's answer to each request before it is handled; empty: every one accepted.
    InstanceChannel::RequestGate ownerAdmits;
    /// The process holding the name, while someone does: a copy of the program, unless a test
    /// puts another program there.
    InstanceChannel::Holder holder{4242, QStringLiteral("/usr/bin/quillet")};
    /// Another program holding the name: it answers every request and does nothing.
    void squat(const QString& executable) {
        holder.executable = executable;
        owner = [](InstanceRequest, std::chrono::milliseconds) {};
    }
};

class FakeInstanceChannel final : public InstanceChannel {
public:
    explicit FakeInstanceChannel(std::shared_ptr<FakeBus> bus) : m_bus(std::move(bus)) {}

    Claim claim(RequestHandler onRequest, RequestGate admit) override {
        if (!m_bus->reachable)
            return Claim::unavailable;
        if (m_bus->owner)
            return Claim::heldElsewhere;
        m_bus->ownerAdmits = std::move(admit);
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
        switch (m_bus->ownerAdmits ? m_bus->ownerAdmits(request, std::chrono::milliseconds(0))
                                   : Admission::accepted) {
            case Admission::accepted:
                break;
            case Admission::busy:
                return Delivery::busy;
            case Admission::refused:
                return Delivery::noAnswer;
        }
        m_bus->owner(request, std::chrono::milliseconds(0));
        if (request == InstanceRequest::quit && m_bus->ownerQuits)
            m_bus->owner = nullptr;
        return Delivery::delivered;
    }
    std::optional<Holder> holder() override {
        return m_bus->owner ? std::optional<Holder>(m_bus->holder) : std::nullopt;
    }
    bool waitUntilReleased(std::chrono::milliseconds) override { return !m_bus->owner; }
    void release() override {
        if (m_owned) {
            m_bus->owner = nullptr;
            m_bus->ownerAdmits = nullptr;
        }
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
