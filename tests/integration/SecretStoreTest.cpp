// The API key against the session's real gnome-keyring, and the preferences in a real INI file.
#include <gmock/gmock.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/SettingsStore.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/linux/IniDefaults.h"
#include "platform/linux/LibsecretStore.h"
#include "support/TestEnv.h"

using namespace quillet;

namespace {

// Items as another program sees them, through secret-tool.
int itemCount(const QString& service) {
    QString out;
    test::runProgram("secret-tool",
                     {"search", "--all", "service", service, "account", KeychainManager::account}, &out);
    return static_cast<int>(
        out.count(QRegularExpression(QStringLiteral("^\\[/"), QRegularExpression::MultilineOption)));
}

class SecretStoreTest : public testing::Test {
protected:
    void SetUp() override {
        store.remove(KeychainManager::service, KeychainManager::account);
        store.remove(KeychainManager::legacyService, KeychainManager::account);
    }
    LibsecretStore store;
    KeychainManager keychain{store};
};

TEST_F(SecretStoreTest, SaveReadUpdateInPlaceDelete) {
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
    keychain.saveAPIKey("sk-first");
    keychain.saveAPIKey(QString::fromUtf8("sk-second-ž"));
    EXPECT_EQ(keychain.loadAPIKey(), QString::fromUtf8("sk-second-ž"));
    EXPECT_EQ(itemCount(KeychainManager::service), 1);
    keychain.deleteAPIKey();
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
    EXPECT_EQ(itemCount(KeychainManager::service), 0);
    keychain.deleteAPIKey();  // deleting nothing is quiet
}

TEST_F(SecretStoreTest, MigratesFromTheLegacyService) {
    ASSERT_TRUE(store.write(KeychainManager::legacyService, KeychainManager::account, "sk-legacy"));
    EXPECT_EQ(keychain.loadAPIKey(), "sk-legacy");
    EXPECT_EQ(store.read(KeychainManager::service, KeychainManager::account), QByteArray("sk-legacy"));
    EXPECT_EQ(store.read(KeychainManager::legacyService, KeychainManager::account), std::nullopt);
}

TEST_F(SecretStoreTest, NonUtf8ItemCountsAsMissing) {
    ASSERT_TRUE(
        store.write(KeychainManager::service, KeychainManager::account, QByteArray("\xff\xfe\x00x", 4)));
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
}

class PreferencesFileTest : public testing::Test {
protected:
    QString configDir() const { return qEnvironmentVariable("XDG_CONFIG_HOME"); }
    QString iniPath() const { return IniDefaults::defaultPath(); }
    void SetUp() override {
        QFile::remove(iniPath());
        QFile::remove(AutostartLoginItem::defaultPath());
    }
};

TEST_F(PreferencesFileTest, ValuesSurviveARestartAndTheKeyNeverReachesAFile) {
    LibsecretStore secrets;
    FakeLoginItem login;
    FakeSystemLog log;
    {
        IniDefaults defaults;
        SettingsStore store(defaults, secrets, login, log);
        store.setModel("gpt-4o");
        store.setLanguage(AppLanguage::sr);
        store.setMinWordCount(7);
        store.setBlocklist({"org.xfce.mousepad"});
        store.setApiBaseURL("http://127.0.0.1:9");
        store.setApiKey("sk-never-in-a-file-1234");
    }
    EXPECT_TRUE(iniPath().startsWith(configDir() + "/quillet/"));
    IniDefaults defaults;
    SettingsStore store(defaults, secrets, login, log);
    EXPECT_EQ(store.model(), "gpt-4o");
    EXPECT_EQ(store.language(), AppLanguage::sr);
    EXPECT_EQ(store.minWordCount(), 7);
    EXPECT_EQ(store.blocklist(), QStringList({"org.xfce.mousepad"}));
    EXPECT_EQ(store.apiBaseURL(), "http://127.0.0.1:9");
    EXPECT_EQ(store.apiKey(), "sk-never-in-a-file-1234");

    QDirIterator it(configDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_FALSE(f.readAll().contains("sk-never-in-a-file")) << f.fileName().toStdString();
        ++files;
    }
    EXPECT_GE(files, 1);
    store.setApiKey("");
}

TEST_F(PreferencesFileTest, EmptyAndOneItemListsKeepTheirShape) {
    {
        IniDefaults d;
        d.setStringList("empty", {});
        d.setStringList("one", {"a, b"});
        d.setString("plain", "x");
    }
    IniDefaults d;
    EXPECT_EQ(d.stringList("empty"), QStringList());
    EXPECT_EQ(d.stringList("one"), QStringList({"a, b"}));
    EXPECT_EQ(d.stringList("plain"), std::nullopt) << "a string is not a list";
    EXPECT_EQ(d.string("plain"), "x");
}

TEST_F(PreferencesFileTest, WrongTypesAndGarbageLoadAsDefaultsAndAreRewritten) {
    QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[General]\nminWordCount=lots\nblocklist=5\nlaunchAtLogin=maybe\n"
        "this line is garbage\n=\n[[[\nlanguage=sr\nmodel=a, b\n\x01\x02\xff\n");
    f.close();
    FakeSecretStore secrets;
    FakeLoginItem login;
    FakeSystemLog log;
    {
        IniDefaults defaults;
        SettingsStore store(defaults, secrets, login, log);
        EXPECT_EQ(store.minWordCount(), 3);
        EXPECT_EQ(store.blocklist(), SettingsStore::defaultBlocklist);
        EXPECT_FALSE(store.launchAtLogin());
        EXPECT_EQ(store.model(), "gpt-4o-mini");
        store.setMinWordCount(5);
        store.setBlocklist({"x"});
    }
    IniDefaults defaults;
    SettingsStore store(defaults, secrets, login, log);
    EXPECT_EQ(store.minWordCount(), 5);
    EXPECT_EQ(store.blocklist(), QStringList({"x"}));
}

TEST_F(PreferencesFileTest, AFifoOrADeviceIsNeverOpened) {
    QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    ASSERT_EQ(::mkfifo(iniPath().toLocal8Bit().constData(), 0600), 0);
    const auto guard = qScopeGuard([this] { QFile::remove(iniPath()); });

    // Opening the FIFO for reading would wait for a writer for ever; the watchdog plays that writer,
    // so a regression fails here instead of hanging the suite.
    std::atomic<bool> loaded = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !loaded; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!loaded) {
            const int fd = ::open(iniPath().toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    });
    QElapsedTimer clock;
    clock.start();
    FakeSecretStore secrets;
    FakeLoginItem login;
    FakeSystemLog log;
    {
        IniDefaults defaults(iniPath(), &log);
        SettingsStore store(defaults, secrets, login, log);
        loaded = true;
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_TRUE(defaults.refused());
        EXPECT_EQ(store.model(), "gpt-4o-mini");
        store.setModel("gpt-4o");  // kept for the run, never written
        EXPECT_EQ(store.model(), "gpt-4o");
    }
    watchdog.join();
    struct stat info {};
    EXPECT_TRUE(::stat(iniPath().toLocal8Bit().constData(), &info) == 0 && S_ISFIFO(info.st_mode))
        << "nothing was written in its place";
    EXPECT_THAT(log.lines, testing::ElementsAre(QStringLiteral("Quillet: the preferences file %1 is not a "
                                                               "regular file; using the defaults")
                                                    .arg(iniPath())));

    // A link to a device, and a folder, are refused the same way; a link to a file is read.
    QFile::remove(iniPath());
    ASSERT_TRUE(QFile::link("/dev/zero", iniPath()));
    EXPECT_TRUE(IniDefaults(iniPath()).refused());
    QFile::remove(iniPath());
    ASSERT_TRUE(QDir().mkpath(iniPath()));
    EXPECT_TRUE(IniDefaults(iniPath()).refused());
    QDir(iniPath()).removeRecursively();
    const QString real = configDir() + "/real.conf";
    { IniDefaults(real).setString("model", "linked"); }
    ASSERT_TRUE(QFile::link(real, iniPath()));
    EXPECT_EQ(IniDefaults(iniPath()).string("model"), "linked");
    QFile::remove(real);
}

TEST_F(PreferencesFileTest, AutostartEntryFollowsLaunchAtLogin) {
    FakeSecretStore secrets;
    FakeSystemLog log;
    IniDefaults defaults;
    AutostartLoginItem login("/opt/My Apps/quillet");
    SettingsStore store(defaults, secrets, login, log);
    const QString entry = configDir() + "/autostart/quillet.desktop";
    store.setLaunchAtLogin(true);
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_THAT(text.toStdString(), testing::HasSubstr("Exec=\"/opt/My Apps/quillet\"\n"));
    EXPECT_THAT(text.toStdString(), testing::HasSubstr("Type=Application\n"));
    store.setLaunchAtLogin(false);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(log.lines.isEmpty());

    // An autostart folder that cannot be created: logged, and the preference still says true.
    QFile blocker(configDir() + "/autostart");
    QDir(configDir() + "/autostart").removeRecursively();
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    store.setLaunchAtLogin(true);
    EXPECT_TRUE(store.launchAtLogin());
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith("Quillet: launch at login greška: "));
    QFile::remove(configDir() + "/autostart");
}

}  // namespace
