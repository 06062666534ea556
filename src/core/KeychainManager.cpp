// The API keys in the desktop's secret store, the default service's and each server's own.
#include "core/KeychainManager.h"

#include <QStringDecoder>
#include <map>

#include "platform/Scheduler.h"

namespace quillet {

namespace {
std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

using Status = SecretStore::Status;
using Reply = SecretStore::Reply;
using State = KeychainManager::Lookup::State;
}  // namespace

// The store's calls still waiting for an answer, each with its deadline. Answers and deadlines hold
// this weakly, so nothing arrives once the manager is gone.
struct KeychainManager::Calls : std::enable_shared_from_this<Calls> {
    Calls(SecretStore& s, Scheduler& c) : store(s), scheduler(c) {}

    struct Call {
        SecretStore::Ticket ticket = 0;
        TimerId timer = 0;
    };

    // Starts one call; whichever comes first, its answer or `timeout` (answered with `late`), is
    // handed to `done`, once.
    template <typename Answer>
    void run(std::chrono::milliseconds timeout, Answer late,
             const std::function<SecretStore::Ticket(std::function<void(Answer)>)>& start,
             std::function<void(Answer)> done) {
        const std::uint64_t id = ++next;
        auto finish = [weak = weak_from_this(), id, done = std::move(done)](Answer answer, bool timedOut) {
            const std::shared_ptr<Calls> self = weak.lock();
            if (!self)
                return;
            const auto it = self->pending.find(id);
            if (it == self->pending.end())
                return;
            const Call call = it->second;
            self->pending.erase(it);
            if (timedOut)
                self->store.cancel(call.ticket);
            else
                self->scheduler.cancel(call.timer);
            done(std::move(answer));
        };
        pending[id].timer = scheduler.after(timeout, [finish, late] { finish(late, true); });
        const SecretStore::Ticket ticket =
            start([finish](Answer answer) { finish(std::move(answer), false); });
        // The store may have answered already.
        if (const auto it = pending.find(id); it != pending.end())
            it->second.ticket = ticket;
    }

    SecretStore& store;
    Scheduler& scheduler;
    std::uint64_t next = 0;
    std::map<std::uint64_t, Call> pending;
};

KeychainManager::KeychainManager(SecretStore& store, Scheduler& scheduler)
    : m_calls(std::make_shared<Calls>(store, scheduler)) {}

KeychainManager::~KeychainManager() {
    for (const auto& [id, call] : m_calls->pending) {
        m_calls->store.cancel(call.ticket);
        m_calls->scheduler.cancel(call.timer);
    }
    m_calls->pending.clear();
}

SecretStore::Item KeychainManager::itemFor(const QString& slot, const QString& service) {
    if (slot.isEmpty())
        return {service, account, {}};
    return {KeychainManager::service, serverAccount, slot};
}

void KeychainManager::readItem(const SecretStore::Item& item, Access access,
                               std::chrono::milliseconds timeout, const std::shared_ptr<bool>& prompted,
                               std::function<void(Lookup)> done) {
    m_calls->run<Reply>(
        timeout, Reply{},
        [this, item](std::function<void(Reply)> give) { return m_calls->store.read(item, std::move(give)); },
        [this, item, access, timeout, prompted, done](Reply reply) {
            switch (reply.status) {
                case Status::ok:
                    if (std::optional<QString> key = decodeUtf8(reply.secret))
                        done({State::found, *key});
                    else
                        done({State::absent, {}});  // unreadable bytes are no key
                    return;
                case Status::absent:
                    done({State::absent, {}});
                    return;
                case Status::unavailable:
                    done({State::unavailable, {}});
                    return;
                case Status::locked:
                    break;
            }
            // One prompt at most for the whole read: declined once is declined.
            if (access == Access::quiet || *prompted) {
                done({State::locked, {}});
                return;
            }
            *prompted = true;
            m_calls->run<bool>(
                promptTimeout, false,
                [this, item](std::function<void(bool)> give) {
                    return m_calls->store.unlock(item, std::move(give));
                },
                [this, item, timeout, prompted, done](bool unlocked) {
                    if (!unlocked)
                        done({State::locked, {}});
                    else
                        readItem(item, Access::quiet, timeout, prompted, done);
                });
        });
}

void KeychainManager::loadAPIKey(const QString& slot, Access access, std::function<void(Lookup)> done,
                                 std::chrono::milliseconds timeout) {
    auto prompted = std::make_shared<bool>(false);
    // Only the default service's key was ever kept under the old name.
    if (!slot.isEmpty()) {
        readItem(itemFor(slot), access, timeout, prompted, std::move(done));
        return;
    }
    readItem(itemFor({}), access, timeout, prompted,
             [this, access, timeout, prompted, done](const Lookup& current) {
                 if (current.state != State::absent) {
                     done(current);
                     return;
                 }
                 readItem(itemFor({}, legacyService), access, timeout, prompted,
                          [this, timeout, done](const Lookup& legacy) {
                              if (legacy.state != State::found) {
                                  done(legacy);
                                  return;
                              }
                              migrate(legacy.key, timeout, [done, legacy] { done(legacy); });
                          });
             });
}

void KeychainManager::migrate(const QString& key, std::chrono::milliseconds timeout,
                              std::function<void()> done) {
    m_calls->run<Status>(
        timeout, Status::unavailable,
        [this, key](std::function<void(Status)> give) {
            return m_calls->store.write(itemFor({}), key.toUtf8(), std::move(give));
        },
        [this, key, timeout, done](Status written) {
            if (written != Status::ok) {
                done();
                return;
            }
            // The old item goes only once the key reads back under the new name, so a failed write
            // loses nothing.
            m_calls->run<Reply>(
                timeout, Reply{},
                [this](std::function<void(Reply)> give) {
                    return m_calls->store.read(itemFor({}), std::move(give));
                },
                [this, key, timeout, done](const Reply& reply) {
                    if (reply.status != Status::ok || decodeUtf8(reply.secret) != key) {
                        done();
                        return;
                    }
                    m_calls->run<Status>(
                        timeout, Status::unavailable,
                        [this](std::function<void(Status)> give) {
                            return m_calls->store.remove(itemFor({}, legacyService), std::move(give));
                        },
                        [done](Status) { done(); });
                });
        });
}

void KeychainManager::changeWithUnlock(
    const SecretStore::Item& item,
    const std::function<SecretStore::Ticket(std::function<void(Status)>)>& change,
    std::function<void(Status)> done) {
    if (!done)
        done = [](Status) {};
    m_calls->run<Status>(
        changeTimeout, Status::unavailable, change, [this, item, change, done](Status status) {
            if (status != Status::locked) {
                done(status);
                return;
            }
            m_calls->run<bool>(
                promptTimeout, false,
                [this, item](std::function<void(bool)> give) {
                    return m_calls->store.unlock(item, std::move(give));
                },
                [this, change, done](bool unlocked) {
                    if (!unlocked)
                        done(Status::locked);
                    else
                        m_calls->run<Status>(changeTimeout, Status::unavailable, change, done);
                });
        });
}

void KeychainManager::saveAPIKey(const QString& slot, const QString& key, std::function<void(Status)> done) {
    const SecretStore::Item item = itemFor(slot);
    changeWithUnlock(
        item,
        [this, item, bytes = key.toUtf8()](std::function<void(Status)> give) {
            return m_calls->store.write(item, bytes, std::move(give));
        },
        std::move(done));
}

void KeychainManager::deleteAPIKey(const QString& slot, std::function<void(Status)> done) {
    const SecretStore::Item item = itemFor(slot);
    changeWithUnlock(
        item,
        [this, item](std::function<void(Status)> give) {
            return m_calls->store.remove(item, std::move(give));
        },
        std::move(done));
}

}  // namespace quillet
