// The running copy's name on the session bus, com.lumenfold.quillet, with one method per request:
// ShowSettings, Trigger and Quit on the object /com/lumenfold/quillet.
#pragma once

#include <memory>

#include "platform/InstanceChannel.h"

namespace quillet {

class DBusInstanceReceiver;

class DBusInstanceChannel final : public InstanceChannel {
public:
    static constexpr const char* serviceName = "com.lumenfold.quillet";
    static constexpr const char* objectPath = "/com/lumenfold/quillet";
    static constexpr const char* interfaceName = "com.lumenfold.quillet";
    /// How long a later start waits for the running copy's answer.
    static constexpr int callTimeoutMs = 8000;

    DBusInstanceChannel();
    ~DBusInstanceChannel() override;

    Claim claim(std::function<void(InstanceRequest)> onRequest) override;
    Delivery send(InstanceRequest request) override;
    bool waitUntilReleased(std::chrono::milliseconds timeout) override;
    void release() override;

private:
    std::unique_ptr<DBusInstanceReceiver> m_receiver;
    bool m_owned = false;
};

}  // namespace quillet
