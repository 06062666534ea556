// The secret store on the desktop's Secret Service, through libsecret's asynchronous calls, made
// from a thread of its own so that a busy main thread never slows the keyring's answers.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>

#include "platform/SecretStore.h"

typedef struct _GCancellable GCancellable;

namespace quillet {

class LibsecretStore final : public SecretStore {
public:
    LibsecretStore();
    /// Calls still under way are cancelled; their answers are never given.
    ~LibsecretStore() override;

    Ticket read(const Item& item, std::function<void(Reply)> done) override;
    Ticket write(const Item& item, const QByteArray& secret, std::function<void(Status)> done) override;
    Ticket remove(const Item& item, std::function<void(Status)> done) override;
    Ticket unlock(const Item& item, std::function<void(bool)> done) override;
    void cancel(Ticket ticket) override;

    struct Op;

private:
    struct Worker;
    struct Open {
        GCancellable* cancellable = nullptr;
        std::function<void(Reply)> done;
    };
    Ticket begin(Op* op, std::function<void(Reply)> done);
    void deliver(Ticket ticket, const Reply& reply);

    QObject m_context;  // receives the worker's answers on the main thread
    std::unique_ptr<Worker> m_worker;
    Ticket m_next = 0;
    std::map<Ticket, Open> m_open;
};

}  // namespace quillet
