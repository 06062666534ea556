// The running copy's name on the session bus, com.lumenfold.quillet, with one method per request:
// ShowSettings, Trigger and Quit on the object /com/lumenfold/quillet, each given the moment it was
// made.
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
    DBusInstanceChannel();
    ~DBusInstanceChannel() override;

    Claim claim(RequestHandler onRequest) override;
    Delivery send(InstanceRequest request, std::chrono::milliseconds timeout) override;
    bool waitUntilReleased(std::chrono::milliseconds timeout) override;
    void release() override;

private:
    std::unique_ptr<DBusInstanceReceiver> m_receiver;
    bool m_owned = false;
};

}  // namespace quillet
