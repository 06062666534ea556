// An in-memory secret store that counts its calls and can be locked, stopped, slowed or broken.
#include "platform/fake/FakeSecretStore.h"

#include <algorithm>

namespace quillet {

SecretStore::Ticket FakeSecretStore::start(std::function<void()> answer) {
    const Ticket ticket = ++m_next;
    if (hang) {
        m_pending[ticket] = nullptr;
    } else if (deferred) {
        m_pending[ticket] = std::move(answer);
    } else {
        answer();
    }
    return ticket;
}

void FakeSecretStore::answerPending() {
    while (true) {
        auto it =
            std::find_if(m_pending.begin(), m_pending.end(), [](const auto& p) { return bool(p.second); });
        if (it == m_pending.end())
            return;
        std::function<void()> answer = std::move(it->second);
        m_pending.erase(it);
        answer();
    }
}

void FakeSecretStore::cancel(Ticket ticket) {
    if (m_pending.erase(ticket))
        ++cancelled;
}

SecretStore::Ticket FakeSecretStore::read(const Item& key, std::function<void(Reply)> done) {
    ++reads;
    return start([this, key, done = std::move(done)] {
        const auto it = items.constFind(key);
        if (failReads)
            done({Status::unavailable, {}});
        else if (it == items.constEnd())
            done({Status::absent, {}});
        else if (locked)
            done({Status::locked, {}});
        else
            done({Status::ok, *it});
    });
}

SecretStore::Ticket FakeSecretStore::write(const Item& key, const QByteArray& secret,
                                           std::function<void(Status)> done) {
    ++writes;
    return start([this, key, secret, done = std::move(done)] {
        if (failWrites) {
            done(Status::unavailable);
        } else if (locked) {
            done(Status::locked);
        } else {
            items[key] = secret;
            done(Status::ok);
        }
    });
}

SecretStore::Ticket FakeSecretStore::remove(const Item& key, std::function<void(Status)> done) {
    ++removes;
    return start([this, key, done = std::move(done)] {
        if (failRemoves) {
            done(Status::unavailable);
        } else if (locked && items.contains(key)) {
            done(Status::locked);
        } else {
            items.remove(key);
            done(Status::ok);
        }
    });
}

SecretStore::Ticket FakeSecretStore::unlock(const Item&, std::function<void(bool)> done) {
    ++prompts;
    if (promptAnswer == PromptAnswer::ignore) {
        const Ticket ticket = ++m_next;
        m_pending[ticket] = nullptr;
        return ticket;
    }
    return start([this, done = std::move(done)] {
        if (promptAnswer == PromptAnswer::unlock)
            locked = false;
        done(promptAnswer == PromptAnswer::unlock);
    });
}

}  // namespace quillet
