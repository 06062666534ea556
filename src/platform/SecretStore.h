// The desktop's secret store, addressed by service and account, asked without ever waiting for it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <tuple>

namespace quillet {

class SecretStore {
public:
    enum class Status {
        ok,           // done; a read holds the secret
        absent,       // no such item
        locked,       // the item, or the collection a new one would go to, is locked
        unavailable,  // no secret service to ask, or it failed
    };
    struct Reply {
        Status status = Status::unavailable;
        QByteArray secret;
    };
    /// Names one call, for cancel().
    using Ticket = std::uint64_t;
    /// What an item is found by: its service and account, and for a key that belongs to one server,
    /// that server's address (empty for none).
    struct Item {
        QString service;
        QString account;
        QString server;

        bool operator<(const Item& other) const {
            return std::tie(service, account, server) < std::tie(other.service, other.account, other.server);
        }
        bool operator==(const Item&) const = default;
    };

    SecretStore() = default;
    SecretStore(const SecretStore&) = delete;
    SecretStore& operator=(const SecretStore&) = delete;
    virtual ~SecretStore() = default;

    // Every call answers once, on the main thread, now or later (a stopped service never answers:
    // the caller keeps its own deadline and cancels). Only unlock() ever shows the user anything.

    /// The secret stored for `item`.
    virtual Ticket read(const Item& item, std::function<void(Reply)> done) = 0;
    /// Stores the secret, replacing an existing item in place; `locked` when that needs an unlock first.
    virtual Ticket write(const Item& item, const QByteArray& secret, std::function<void(Status)> done) = 0;
    /// Removes the item; removing a missing item is `ok`.
    virtual Ticket remove(const Item& item, std::function<void(Status)> done) = 0;
    /// Asks the user to unlock what holds the item (or, when there is none, where a new one would go):
    /// true once it is unlocked, false when the user declined.
    virtual Ticket unlock(const Item& item, std::function<void(bool)> done) = 0;
    /// Abandons a call: its answer is never given, and a prompt it showed is taken away.
    virtual void cancel(Ticket ticket) = 0;
};

}  // namespace quillet
