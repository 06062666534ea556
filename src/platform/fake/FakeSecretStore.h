// An in-memory secret store that counts its calls and can be locked, stopped, slowed or broken.
#pragma once

#include <QMap>
#include <deque>
#include <map>

#include "platform/SecretStore.h"

namespace quillet {

class FakeSecretStore final : public SecretStore {
public:
    /// What the user does with an unlock prompt.
    enum class PromptAnswer { unlock, dismiss, ignore };

    Ticket read(const Item& item, std::function<void(Reply)> done) override;
    Ticket write(const Item& item, const QByteArray& secret, std::function<void(Status)> done) override;
    Ticket remove(const Item& item, std::function<void(Status)> done) override;
    Ticket unlock(const Item& item, std::function<void(bool)> done) override;
    void cancel(Ticket ticket) override;

    /// Gives the answers held while `deferred` was set, oldest first.
    void answerPending();
    /// Calls neither answered nor cancelled.
    std::size_t pending() const { return m_pending.size(); }

    QMap<Item, QByteArray> items;
    bool failReads = false;   // reads answer `unavailable`
    bool failWrites = false;  // writes answer `unavailable`
    bool failRemoves = false;
    /// The keyring is locked: existing items cannot be read or removed, and nothing can be written.
    bool locked = false;
    PromptAnswer promptAnswer = PromptAnswer::unlock;
    /// A stopped service: no call is ever answered.
    bool hang = false;
    /// Answers wait for answerPending(), as a slow service's would.
    bool deferred = false;

    int reads = 0;
    int writes = 0;
    int removes = 0;
    int prompts = 0;
    int cancelled = 0;

private:
    Ticket start(std::function<void()> answer);

    Ticket m_next = 0;
    std::map<Ticket, std::function<void()>> m_pending;  // empty functions never answer
};

}  // namespace quillet
