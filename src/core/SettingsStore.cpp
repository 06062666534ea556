#include "core/SettingsStore.h"

#include <QUrl>
#include <cstdio>

#include "platform/Defaults.h"
#include "platform/LoginItem.h"
#include "platform/SystemLog.h"

namespace quillet {

namespace {
SettingsStore* g_shared = nullptr;

const QString kModel = QStringLiteral("model");
const QString kLanguage = QStringLiteral("language");
const QString kMinWordCount = QStringLiteral("minWordCount");
const QString kBlocklist = QStringLiteral("blocklist");
const QString kLaunchAtLogin = QStringLiteral("launchAtLogin");
const QString kApiBaseURL = QStringLiteral("apiBaseURL");

}  // namespace

const QStringList SettingsStore::defaultBlocklist = {
    QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("1password"),
    QStringLiteral("org.gnome.seahorse.Application"), QStringLiteral("org.gnome.Terminal"),
    QStringLiteral("org.kde.konsole")};

SettingsStore::SettingsStore(Defaults& defaults, SecretStore& secrets, LoginItem& loginItem, SystemLog& log,
                             QObject* parent)
    : QObject(parent), m_defaults(defaults), m_loginItem(loginItem), m_log(log), m_keychain(secrets) {
    m_model = m_defaults.string(kModel).value_or(defaultModel);
    m_language = AppLanguages::fromRawValue(m_defaults.string(kLanguage).value_or(QString()))
                     .value_or(AppLanguage::en);
    const qint64 words = m_defaults.integer(kMinWordCount).value_or(0);
    m_minWordCount = words > 0 ? words : defaultMinWordCount;
    m_blocklist = m_defaults.stringList(kBlocklist).value_or(defaultBlocklist);
    m_launchAtLogin = m_defaults.boolean(kLaunchAtLogin).value_or(false);
    m_apiBaseURL = defaultApiBaseURL;
    if (const std::optional<QString> stored = m_defaults.string(kApiBaseURL); stored && !stored->isEmpty()) {
        // Edited by hand into something no request could use: every request would fail as if offline.
        if (const std::optional<QString> url = apiBaseURLFrom(*stored))
            m_apiBaseURL = *url;
        else
            m_log.write(QStringLiteral("Quillet: apiBaseURL is not an http or https address; using ") +
                        defaultApiBaseURL);
    }
}

SettingsStore::~SettingsStore() {
    if (g_shared == this)
        g_shared = nullptr;
}

SettingsStore& SettingsStore::shared() {
    if (!g_shared) {
        std::fputs("Quillet: settings used before they were set up\n", stderr);
        std::abort();
    }
    return *g_shared;
}

SettingsStore* SettingsStore::sharedIfInstalled() {
    return g_shared;
}

void SettingsStore::install(SettingsStore* store) {
    g_shared = store;
}

void SettingsStore::setModel(const QString& value) {
    m_model = value;
    m_defaults.setString(kModel, value);
    Q_EMIT changed();
}

void SettingsStore::setLanguage(AppLanguage value) {
    m_language = value;
    m_defaults.setString(kLanguage, AppLanguages::rawValue(value));
    Q_EMIT changed();
}

void SettingsStore::setMinWordCount(qint64 value) {
    m_minWordCount = value;
    m_defaults.setInteger(kMinWordCount, value);
    Q_EMIT changed();
}

void SettingsStore::setBlocklist(const QStringList& value) {
    m_blocklist = value;
    m_defaults.setStringList(kBlocklist, value);
    Q_EMIT changed();
}

void SettingsStore::setLaunchAtLogin(bool value) {
    m_launchAtLogin = value;
    m_defaults.setBoolean(kLaunchAtLogin, value);
    Q_EMIT changed();
    applyLaunchAtLogin();
}

bool SettingsStore::setApiBaseURL(const QString& value) {
    const std::optional<QString> url = apiBaseURLFrom(value);
    if (!url)
        return false;
    m_apiBaseURL = *url;
    m_defaults.setString(kApiBaseURL, *url);
    Q_EMIT changed();
    return true;
}

std::optional<QString> SettingsStore::apiBaseURLFrom(const QString& typed) {
    QString text = typed.trimmed();
    while (text.endsWith(u'/'))
        text.chop(1);
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty() ||
        url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return text;
}

QString SettingsStore::apiKey() {
    return m_keychain.loadAPIKey().value_or(QString());
}

bool SettingsStore::hasAPIKey() {
    return !apiKey().isEmpty();
}

void SettingsStore::setApiKey(const QString& key) {
    if (!key.isEmpty()) {
        m_keychain.saveAPIKey(key);
    } else {
        m_keychain.deleteAPIKey();
    }
    Q_EMIT changed();
}

void SettingsStore::applyLaunchAtLogin() {
    const std::optional<QString> error =
        m_launchAtLogin ? m_loginItem.registerItem() : m_loginItem.unregisterItem();
    if (error)
        m_log.write(QStringLiteral("Quillet: launch at login greška: ") + *error);
}

}  // namespace quillet
