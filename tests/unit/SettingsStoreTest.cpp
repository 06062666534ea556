#include <gmock/gmock.h>

#include <QSignalSpy>

#include "core/SettingsStore.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakeSecretStore.h"

using namespace quillet;
using testing::ElementsAre;

namespace {

class SettingsStoreTest : public testing::Test {
protected:
    std::unique_ptr<SettingsStore> load() {
        return std::make_unique<SettingsStore>(defaults, secrets, loginItem, log);
    }
    FakeDefaults defaults;
    FakeSecretStore secrets;
    FakeLoginItem loginItem;
    FakeSystemLog log;
};

TEST_F(SettingsStoreTest, EmptyDatabaseGivesEveryDefault) {
    auto store = load();
    EXPECT_EQ(store->model(), "gpt-4o-mini");
    EXPECT_EQ(store->language(), AppLanguage::en);
    EXPECT_EQ(store->minWordCount(), 3);
    EXPECT_THAT(store->blocklist(),
                ElementsAre("org.keepassxc.KeePassXC", "1password", "org.gnome.seahorse.Application",
                            "org.gnome.Terminal", "org.kde.konsole"));
    EXPECT_FALSE(store->launchAtLogin());
    EXPECT_EQ(store->apiBaseURL(), "https://api.openai.com");
    EXPECT_EQ(store->apiKey(), "");
    EXPECT_FALSE(store->hasAPIKey());
    EXPECT_EQ(defaults.writes, 0) << "loading writes nothing";
    EXPECT_TRUE(loginItem.calls.isEmpty()) << "loading leaves the login item alone";
}

TEST_F(SettingsStoreTest, LanguageIsSerbianOnlyForExactlySr) {
    for (const char* raw : {"de", "SR", "", "sr-RS", "en"}) {
        defaults.values["language"] = QString::fromLatin1(raw);
        EXPECT_EQ(load()->language(), AppLanguage::en) << raw;
    }
    defaults.values["language"] = QStringLiteral("sr");
    EXPECT_EQ(load()->language(), AppLanguage::sr);
}

TEST_F(SettingsStoreTest, MinWordCountBelowOneGivesThree) {
    for (qint64 stored : {0LL, -5LL}) {
        defaults.values["minWordCount"] = QVariant::fromValue(stored);
        EXPECT_EQ(load()->minWordCount(), 3) << stored;
    }
    defaults.values["minWordCount"] = QVariant::fromValue<qint64>(1);
    EXPECT_EQ(load()->minWordCount(), 1);
    defaults.values["minWordCount"] = QStringLiteral("seven");
    EXPECT_EQ(load()->minWordCount(), 3) << "a value of the wrong type counts as absent";
}

TEST_F(SettingsStoreTest, StoredEmptyValuesAreKept) {
    defaults.values["blocklist"] = QStringList();
    defaults.values["model"] = QString();
    auto store = load();
    EXPECT_TRUE(store->blocklist().isEmpty()) << "removed defaults do not come back";
    EXPECT_EQ(store->model(), "");
}

TEST_F(SettingsStoreTest, WrongTypesCountAsAbsent) {
    defaults.values["blocklist"] = QVariant::fromValue<qint64>(5);
    defaults.values["model"] = QVariant::fromValue<qint64>(4);
    defaults.values["launchAtLogin"] = QStringLiteral("yes");
    auto store = load();
    EXPECT_EQ(store->blocklist(), SettingsStore::defaultBlocklist);
    EXPECT_EQ(store->model(), "gpt-4o-mini");
    EXPECT_FALSE(store->launchAtLogin());
}

TEST_F(SettingsStoreTest, ServerAddressIsAnHttpAddressOrTheDefault) {
    defaults.values["apiBaseURL"] = QString();
    EXPECT_EQ(load()->apiBaseURL(), "https://api.openai.com");
    defaults.values["apiBaseURL"] = QStringLiteral("http://127.0.0.1:8080/");
    auto store = load();
    EXPECT_EQ(store->apiBaseURL(), "http://127.0.0.1:8080");
    EXPECT_TRUE(log.lines.isEmpty());

    // Hand-edited into something no request could reach: the default, and one line saying so.
    for (const char* stored : {"localhost:11434", "htps://api.openai.com", "file:///etc", "https://",
                               "http://exa mple.com", "https://api.openai.com/?key=1"}) {
        log.lines.clear();
        defaults.values["apiBaseURL"] = QString::fromLatin1(stored);
        EXPECT_EQ(load()->apiBaseURL(), "https://api.openai.com") << stored;
        EXPECT_THAT(log.lines, ElementsAre("Quillet: apiBaseURL is not an http or https address; using "
                                           "https://api.openai.com"));
    }

    // Refused when set, too: nothing stored, nothing announced.
    QSignalSpy spy(store.get(), &SettingsStore::changed);
    const int writes = defaults.writes;
    EXPECT_FALSE(store->setApiBaseURL(QString()));
    EXPECT_FALSE(store->setApiBaseURL(QStringLiteral("ftp://files.example")));
    EXPECT_EQ(store->apiBaseURL(), "http://127.0.0.1:8080");
    EXPECT_EQ(defaults.writes, writes);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(store->setApiBaseURL(QStringLiteral(" https://gateway.example/openai// ")));
    EXPECT_EQ(store->apiBaseURL(), "https://gateway.example/openai");
    EXPECT_EQ(defaults.values["apiBaseURL"].toString(), "https://gateway.example/openai");
}

TEST_F(SettingsStoreTest, EveryWriteStoresAndAnnounces) {
    auto store = load();
    QSignalSpy spy(store.get(), &SettingsStore::changed);
    store->setModel("gpt-4o");
    store->setModel("gpt-4o");
    store->setLanguage(AppLanguage::sr);
    store->setMinWordCount(-2);
    store->setBlocklist({"a", "b"});
    EXPECT_EQ(spy.count(), 5);
    EXPECT_EQ(defaults.writes, 5) << "writing the same value again still writes it";
    EXPECT_EQ(defaults.values["language"].toString(), "sr");
    EXPECT_EQ(store->minWordCount(), -2) << "the store does not clamp";
    EXPECT_EQ(defaults.values["blocklist"].toStringList(), QStringList({"a", "b"}));
    auto reloaded = load();
    EXPECT_EQ(reloaded->model(), "gpt-4o");
    EXPECT_EQ(reloaded->language(), AppLanguage::sr);
    EXPECT_EQ(reloaded->minWordCount(), 3);
}

TEST_F(SettingsStoreTest, LaunchAtLoginFollowsEveryWriteAndLogsFailures) {
    auto store = load();
    store->setLaunchAtLogin(true);
    store->setLaunchAtLogin(true);
    store->setLaunchAtLogin(false);
    EXPECT_THAT(loginItem.calls, ElementsAre("register", "register", "unregister"));
    EXPECT_TRUE(log.lines.isEmpty());

    loginItem.failure = QStringLiteral("no autostart folder");
    store->setLaunchAtLogin(true);
    EXPECT_TRUE(store->launchAtLogin());
    EXPECT_EQ(defaults.values["launchAtLogin"].toBool(), true);
    EXPECT_THAT(log.lines, ElementsAre("Quillet: launch at login greška: no autostart folder"));
}

TEST_F(SettingsStoreTest, ApiKeyGoesToTheSecretStoreOnly) {
    auto store = load();
    QSignalSpy spy(store.get(), &SettingsStore::changed);
    store->setApiKey(" sk-untrimmed ");
    EXPECT_EQ(store->apiKey(), " sk-untrimmed ");
    EXPECT_TRUE(store->hasAPIKey());
    EXPECT_EQ(defaults.writes, 0) << "the key never reaches the preferences";
    store->setApiKey("");
    EXPECT_FALSE(store->hasAPIKey());
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(SettingsStoreTest, ClearingTheKeyBringsBackALegacyOne) {
    secrets.items[{KeychainManager::service, KeychainManager::account}] = "sk-new";
    secrets.items[{KeychainManager::legacyService, KeychainManager::account}] = "sk-old";
    auto store = load();
    EXPECT_EQ(store->apiKey(), "sk-new");
    store->setApiKey("");
    EXPECT_EQ(store->apiKey(), "sk-old") << "the legacy item migrates back on the next read";
}

TEST_F(SettingsStoreTest, SharedStoreAndCurrentLanguage) {
    EXPECT_EQ(L10n::current().lang, AppLanguage::en) << "English without an installed store";
    {
        auto store = load();
        SettingsStore::install(store.get());
        store->setLanguage(AppLanguage::sr);
        EXPECT_EQ(&SettingsStore::shared(), store.get());
        EXPECT_EQ(L10n::current().text("Copy", "Kopiraj"), "Kopiraj");
    }
    EXPECT_EQ(SettingsStore::sharedIfInstalled(), nullptr) << "a destroyed store uninstalls itself";
}

}  // namespace
