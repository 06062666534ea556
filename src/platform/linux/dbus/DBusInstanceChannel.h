// The running copy's name on the session bus, com.lumenfold.quillet, with one method per request:
// ShowSettings, Trigger and Quit on the object /com/lumenfold/quillet, each given the moment it was
// made. A request the running copy turns down for now gets the error `busyError`.
#pragma once

#include <QString>
#include <memory>

#include "platform/InstanceChannel.h"

namespace quillet {

class DBusInstanceReceiver;

class DBusInstanceChannel final : public InstanceChannel {
public:
    static constexpr const char* serviceName = "com.lumenfold.quillet";
    static constexpr const char* objectPath = "/com/lumenfold/quillet";
    static constexpr const char* interfaceName = "com.lumenfold.quillet";
    static constexpr const char* busyError = "com.lumenfold.quillet.Error.Busy";
    DBusInstanceChannel();
    /// The program process `pid` runs, as the system names it ("PATH (deleted)" once the file was
    /// replaced); empty when it cannot be read.
    static QString programOf(qint64 pid);
    ~DBusInstanceChannel() override;

    Claim claim(RequestHandler onRequest, RequestGate admit) override;
    std::optional<Holder> holder() override;
    Delivery send(InstanceRequest request, std::chrono::milliseconds timeout) override;
    bool waitUntilReleased(std::chrono::milliseconds timeout) override;
    void release() override;

private:
    std::unique_ptr<DBusInstanceReceiver> m_receiver;
    bool m_owned = false;
    // The connection found holding the name by holder(), which send() then talks to.
    QString m_holderName;
};

}  // namespace quillet
