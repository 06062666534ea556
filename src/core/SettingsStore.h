// The user's preferences, loaded once, written back at every change, and the API key behind them.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "core/KeychainManager.h"
#include "core/L10n.h"

namespace quillet {

class Defaults;
class LoginItem;
class SecretStore;
class SystemLog;

class SettingsStore : public QObject {
    Q_OBJECT
public:
    static inline const QString defaultModel = QStringLiteral("gpt-4o-mini");
    static inline const QString defaultApiBaseURL = QStringLiteral("https://api.openai.com");
    static constexpr qint64 defaultMinWordCount = 3;
    /// Password managers, the keyring viewer and terminals: fields there are never offered a correction.
    static const QStringList defaultBlocklist;

    /// Loads every preference from `defaults`. The references must outlive the store.
    SettingsStore(Defaults& defaults, SecretStore& secrets, LoginItem& loginItem, SystemLog& log,
                  QObject* parent = nullptr);
    ~SettingsStore() override;

    /// The program's one store. Installed by the composition root (or a test) before first use.
    static SettingsStore& shared();
    static SettingsStore* sharedIfInstalled();
    /// Makes `store` the shared one (nullptr uninstalls). The caller keeps ownership.
    static void install(SettingsStore* store);

    QString model() const { return m_model; }
    AppLanguage language() const { return m_language; }
    qint64 minWordCount() const { return m_minWordCount; }
    QStringList blocklist() const { return m_blocklist; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    QString apiBaseURL() const { return m_apiBaseURL; }

    // Each write stores the value at once, changed or not, then emits changed().
    void setModel(const QString& value);
    void setLanguage(AppLanguage value);
    void setMinWordCount(qint64 value);
    void setBlocklist(const QStringList& value);
    void setLaunchAtLogin(bool value);
    /// Takes an http or https address (see apiBaseURLFrom); anything else is refused, and nothing is
    /// stored or announced. Returns whether it was taken.
    bool setApiBaseURL(const QString& value);

    /// The server address `typed` names, trimmed and without trailing slashes; empty when it is not
    /// an http or https address with a host (no query, no fragment).
    static std::optional<QString> apiBaseURLFrom(const QString& typed);

    /// The key as the secret store holds it, read afresh every time; "" when there is none.
    QString apiKey();
    /// Saves a non-empty key, deletes the current item for an empty one, then emits changed().
    void setApiKey(const QString& key);
    bool hasAPIKey();

    /// Makes the login-item registration follow launchAtLogin; a failure is logged, nothing else.
    void applyLaunchAtLogin();

    KeychainManager& keychain() { return m_keychain; }

Q_SIGNALS:
    void changed();

private:
    Defaults& m_defaults;
    LoginItem& m_loginItem;
    SystemLog& m_log;
    KeychainManager m_keychain;

    QString m_model;
    AppLanguage m_language = AppLanguage::en;
    qint64 m_minWordCount = defaultMinWordCount;
    QStringList m_blocklist;
    bool m_launchAtLogin = false;
    QString m_apiBaseURL;
};

}  // namespace quillet
