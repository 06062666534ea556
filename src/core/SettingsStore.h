// The user's preferences, loaded once, written back at every change, and the API key behind them.
#pragma once

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/CustomActions.h"
#include "core/KeychainManager.h"
#include "core/L10n.h"
#include "core/ServerKeys.h"
#include "platform/Scheduler.h"

namespace quillet {

class Defaults;
class Autostart;
class SecretStore;
class SystemLog;

class SettingsStore : public QObject {
    Q_OBJECT
public:
    static inline const QString defaultModel = QStringLiteral("gpt-4o-mini");
    /// The models offered for choice; any other name may be typed.
    static inline const QStringList suggestedModels = {QStringLiteral("gpt-4o-mini"),
                                                       QStringLiteral("gpt-4o")};
    static inline const QString defaultApiBaseURL = QStringLiteral("https://api.openai.com");
    static constexpr qint64 defaultMinWordCount = 3;
    static inline const QString defaultGlobalShortcut = QStringLiteral("Super+Shift+G");
    /// Password managers, the keyring viewer and terminals: fields there are never offered a correction.
    static const QStringList defaultBlocklist;

    /// How long the look at whether a key is stored may take before the keyring counts as gone.
    /// Nothing waits that long: after KeychainManager::answerTimeout the key counts as missing until
    /// the keyring answers.
    static constexpr std::chrono::milliseconds keyPresenceTimeout{20000};
    /// How long after a keyring that did not answer the key's presence is asked for again.
    static constexpr std::chrono::milliseconds keyPresenceRetry{30000};

    /// Loads every preference from `defaults` and asks the keyring, without a prompt, whether a key
    /// is stored. The references must outlive the store.
    SettingsStore(Defaults& defaults, SecretStore& secrets, Autostart& autostart, SystemLog& log,
                  Scheduler& scheduler, QObject* parent = nullptr);
    ~SettingsStore() override;

    /// The program's one store. Installed by the composition root (or a test) before first use.
    static SettingsStore& shared();
    static SettingsStore* sharedIfInstalled();
    /// Makes `store` the shared one (nullptr uninstalls). The caller keeps ownership. Its language
    /// becomes the interface language (L10n::current) and follows the user's every change; with no
    /// store installed the interface speaks English.
    static void install(SettingsStore* store);

    QString model() const { return m_model; }
    AppLanguage language() const { return m_language; }
    qint64 minWordCount() const { return m_minWordCount; }
    QStringList blocklist() const { return m_blocklist; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    QString apiBaseURL() const { return m_apiBaseURL; }
    /// The global shortcut as written ("Super+Shift+G"); "" when the user turned it off.
    QString globalShortcut() const { return m_globalShortcut; }
    /// The user's own actions, in the order the Rephrase tab shows them.
    const QList<CustomAction>& customActions() const { return m_customActions; }

    /// Whether every change of this run is in the preferences: false from a change that could not be
    /// stored (a full disk, a folder that cannot be written) until a later change is stored, when
    /// the changes still waiting are stored again with it. The values read here are the user's
    /// choices either way.
    bool saved() const { return m_unsaved.isEmpty(); }
    /// Where the preferences are kept (the file's path), for telling the user.
    QString location() const;

    // Each write stores the value at once, changed or not, then emits changed(); savedChanged()
    // comes before it when saved() changed.
    /// Takes the name trimmed; a blank one is no choice, and nothing is stored. Returns whether it
    /// was taken.
    bool setModel(const QString& value);
    void setLanguage(AppLanguage value);
    void setMinWordCount(qint64 value);
    void setBlocklist(const QStringList& value);
    /// Appends `typed` trimmed of spaces and tabs (a line break is part of an identifier), unless it
    /// is then empty or already listed. Returns whether it was added.
    bool addToBlocklist(const QString& typed);
    /// Removes every entry equal to `appId`.
    void removeFromBlocklist(const QString& appId);
    /// `typed` trimmed of spaces and tabs only, as the block list takes it.
    static QString blocklistEntryFrom(const QString& typed);
    void setLaunchAtLogin(bool value);
    /// Takes an http or https address (see apiBaseURLFrom); anything else is refused, and nothing is
    /// stored or announced. Returns whether it was taken.
    bool setApiBaseURL(const QString& value);
    void setGlobalShortcut(const QString& value);
    /// Stores the list as given, followed by the stored entries that were not read (see
    /// CustomActions::fromStored): callers pass actions CustomActions::checked has taken.
    void setCustomActions(const QList<CustomAction>& value);

    /// The server address `typed` names, trimmed and without trailing slashes; empty when it is not
    /// an http or https address with a host (no query, no fragment, no user name or password).
    static std::optional<QString> apiBaseURLFrom(const QString& typed);
    /// Why apiBaseURLFrom refuses `typed`: `none` when it takes it, `credentials` when it would but
    /// for a user name or password, which belong in the key field, never in the preferences.
    enum class AddressFault { none, notHttp, credentials };
    static AddressFault addressFault(const QString& typed);
    /// Whether the address in the preferences held a user name or password: they are never sent,
    /// and the address is used without them until the user enters one.
    bool storedAddressHeldCredentials() const { return m_storedCredentials; }

    /// What the keyring last told of the current server's key (see ServerKeys::slotOf).
    enum class KeyPresence {
        unknown,      // not asked yet, or not answered within a second
        stored,       // a key is saved for the server (perhaps behind a lock)
        none,         // no key is saved for the server
        unreachable,  // the keyring did not answer
    };
    KeyPresence keyPresence() const { return m_keyPresence; }
    /// Whether a key is stored for the current server, as the keyring last told: never a keyring call
    /// of its own, so it can be asked at every focus change. False until the keyring's first answer.
    bool hasAPIKey() const { return m_keyPresence == KeyPresence::stored; }
    /// Whether the current server needs a key and the keyring said there is none: the setup's and the
    /// settings' business. A keyring that does not answer is not a missing key.
    bool keyMissing() const;
    /// Whether the keyring has answered, or a second has passed without an answer.
    bool keyPresenceKnown() const { return m_keyPresence != KeyPresence::unknown; }
    /// Runs `fn` once keyPresenceKnown() (at once when it is): a second after the start at most.
    void whenKeyPresenceKnown(std::function<void()> fn);
    /// Runs `fn` once the keyring has answered, or has been given up on (keyPresenceTimeout): for
    /// what a slow keyring should not mislead, such as offering the setup at start.
    void whenKeyPresenceSettled(std::function<void()> fn);
    /// Asks the keyring again, without a prompt, whether a key is stored.
    void refreshKeyPresence();

    /// Hands `done` what the keyring holds for the server at `baseURL`, later or at once. Reads that
    /// overlap share one keyring read, so one request brings at most one prompt.
    void readAPIKey(const QString& baseURL, KeychainManager::Access access,
                    std::function<void(KeychainManager::Lookup)> done);
    /// The current server's key; "" when there is none or the keyring cannot give it.
    void readAPIKey(KeychainManager::Access access, std::function<void(QString)> done);
    /// For a client's requests to the server at `baseURL`: that server's key, read when they go out.
    /// Requests that go out together share one read, so one user action brings at most one prompt.
    KeySource apiKeySource(const QString& baseURL);
    /// Saves a non-empty key, untrimmed, for the server at `baseURL`, or deletes that server's key for
    /// an empty one; then emits changed() and hands `done` the keyring's answer.
    void setApiKey(const QString& baseURL, const QString& key,
                   std::function<void(SecretStore::Status)> done = {});
    /// The same for the current server.
    void setApiKey(const QString& key, std::function<void(SecretStore::Status)> done = {}) {
        setApiKey(m_apiBaseURL, key, std::move(done));
    }

    /// Whether the user allowed the server at `baseURL` its key over plain HTTP.
    bool plainHttpKeyAllowed(const QString& baseURL) const;
    /// Allows or forbids the current server its key over plain HTTP; stored at once.
    void setPlainHttpKeyAllowed(bool allowed);

    /// Makes the login-item registration follow launchAtLogin; a failure is logged, nothing else.
    void applyLaunchAtLogin();

Q_SIGNALS:
    void changed();
    /// The language changed; changed() follows.
    void languageChanged();
    /// hasAPIKey() changed; changed() follows.
    void keyPresenceChanged();
    /// saved() changed.
    void savedChanged();

private:
    /// Stores a value of `key` by `write`; one that fails is tried again at the next that succeeds.
    void store(const QString& key, std::function<bool()> write);
    void learnKeyPresence(const KeychainManager::Lookup& lookup);
    void followServer();
    void setKeyPresence(KeyPresence presence);
    void settleKeyPresence();

    Defaults& m_defaults;
    Autostart& m_autostart;
    SystemLog& m_log;
    Scheduler& m_scheduler;
    KeychainManager m_keychain;

    KeyPresence m_keyPresence = KeyPresence::unknown;
    // The slot m_keyPresence speaks of, and what is known of the slots the user used before.
    QString m_presenceSlot;
    QHash<QString, KeyPresence> m_knownPresence;
    bool m_presenceSettled = false;
    quint64 m_presenceProbe = 0;
    std::optional<TimerId> m_presenceGrace;
    std::optional<TimerId> m_presenceRetry;
    QList<std::function<void()>> m_whenPresenceKnown;
    QList<std::function<void()>> m_whenPresenceSettled;
    // By slot and Access: the reads under way and who waits for them.
    QHash<QPair<QString, int>, QList<std::function<void(KeychainManager::Lookup)>>> m_keyReaders;

    QString m_model;
    AppLanguage m_language = AppLanguage::en;
    qint64 m_minWordCount = defaultMinWordCount;
    QStringList m_blocklist;
    bool m_launchAtLogin = false;
    QString m_apiBaseURL;
    bool m_storedCredentials = false;
    QString m_globalShortcut;
    QList<CustomAction> m_customActions;
    QStringList m_plainHttpKeyServers;
    QJsonArray m_keptActions;  // the stored entries not read, written back with every save
    QMap<QString, std::function<bool()>> m_unsaved;  // by key: the writes that failed
};

}  // namespace quillet
