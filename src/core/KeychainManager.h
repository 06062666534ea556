// The API keys in the desktop's secret store: the default service's, with the move from the old
// service name, and one for each other server the user saved a key for. Nothing here ever waits: every
// answer comes back later, and a store that does not answer in time counts as none.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "platform/SecretStore.h"

namespace quillet {

class Scheduler;

class KeychainManager {
public:
    static inline const QString service = QStringLiteral("com.lumenfold.quillet");
    static inline const QString legacyService = QStringLiteral("com.lumenfold.scrivet");
    static inline const QString account = QStringLiteral("openai-api-key");
    /// The account of a key that belongs to one server, whose address the item also carries.
    static inline const QString serverAccount = QStringLiteral("server-api-key");

    /// The longest wait for the secret store when someone waits for the answer; a hung keyring then
    /// counts as no keyring.
    static constexpr std::chrono::milliseconds answerTimeout{1000};
    /// The longest wait for a save or a deletion, which the user watches a spinner for.
    static constexpr std::chrono::milliseconds changeTimeout{5000};
    /// The longest an unlock prompt may stay unanswered before it is taken away.
    static constexpr std::chrono::milliseconds promptTimeout{120000};

    /// Whether a read may ask the user to unlock the keyring: only for a request the user just made.
    enum class Access { quiet, mayPrompt };

    struct Lookup {
        enum class State {
            found,        // `key` holds the key (possibly empty)
            absent,       // no key is stored
            locked,       // a key is stored, behind a lock that stayed shut
            unavailable,  // no keyring answered
        };
        State state = State::unavailable;
        QString key;

        /// Whether a key is stored, as far as can be told without opening the lock.
        bool keyStored() const { return state == State::locked || (state == State::found && !key.isEmpty()); }
    };

    /// Both must outlive the manager.
    KeychainManager(SecretStore& store, Scheduler& scheduler);
    ~KeychainManager();
    KeychainManager(const KeychainManager&) = delete;
    KeychainManager& operator=(const KeychainManager&) = delete;

    /// The item a key is kept in: the default service's for an empty `slot` (see ServerKeys::slotOf),
    /// else the one that carries that server's address.
    static SecretStore::Item itemFor(const QString& slot, const QString& service = KeychainManager::service);

    /// The key of `slot`: for the default service the current item, else a legacy item (moved to the
    /// current service on the way); for another server its own item only. With mayPrompt a locked
    /// keyring is offered for unlocking once; quiet never prompts. `done` runs once, possibly before
    /// this returns; each exchange with the store may take `timeout` (the prompt aside).
    void loadAPIKey(const QString& slot, Access access, std::function<void(Lookup)> done,
                    std::chrono::milliseconds timeout = answerTimeout);
    /// Saves the key of `slot`, replacing the stored one. A locked keyring is offered for unlocking
    /// once (saving is always the user's own request).
    void saveAPIKey(const QString& slot, const QString& key,
                    std::function<void(SecretStore::Status)> done = {});
    /// Deletes the key of `slot` (for the default service, the current item only), offering a locked
    /// keyring for unlocking once.
    void deleteAPIKey(const QString& slot, std::function<void(SecretStore::Status)> done = {});

private:
    struct Calls;
    void readItem(const SecretStore::Item& item, Access access, std::chrono::milliseconds timeout,
                  const std::shared_ptr<bool>& prompted, std::function<void(Lookup)> done);
    void migrate(const QString& key, std::chrono::milliseconds timeout, std::function<void()> done);
    void changeWithUnlock(
        const SecretStore::Item& item,
        const std::function<SecretStore::Ticket(std::function<void(SecretStore::Status)>)>& change,
        std::function<void(SecretStore::Status)> done);

    std::shared_ptr<Calls> m_calls;
};

}  // namespace quillet
