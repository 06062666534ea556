// The secret store on the desktop's Secret Service, through libsecret's asynchronous calls.
#pragma once

#include <map>

#include "platform/SecretStore.h"

namespace quillet {

class LibsecretStore final : public SecretStore {
public:
    LibsecretStore() = default;
    /// Calls still under way are cancelled; their answers are never given.
    ~LibsecretStore() override;

    Ticket read(const QString& service, const QString& account, std::function<void(Reply)> done) override;
    Ticket write(const QString& service, const QString& account, const QByteArray& secret,
                 std::function<void(Status)> done) override;
    Ticket remove(const QString& service, const QString& account, std::function<void(Status)> done) override;
    Ticket unlock(const QString& service, const QString& account, std::function<void(bool)> done) override;
    void cancel(Ticket ticket) override;

    struct Op;

private:
    Ticket begin(Op* op);

    Ticket m_next = 0;
    std::map<Ticket, Op*> m_open;
};

}  // namespace quillet
