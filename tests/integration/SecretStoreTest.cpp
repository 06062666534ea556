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
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/secret/LibsecretStore.h"
#include "platform/linux/system/IniDefaults.h"
#include "platform/linux/system/XdgAutostart.h"
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

// The session's keyring, asked and answered on the event loop.
class SecretStoreTest : public testing::Test {
protected:
    void SetUp() override {
        for (const QString& service : {KeychainManager::service, KeychainManager::legacyService})
            EXPECT_EQ(remove(service), SecretStore::Status::ok);
    }
    using Status = SecretStore::Status;
    /// The keyring's answer to `start`, which is expected to come.
    template <typename T, typename Start>
    static std::optional<T> answer(Start&& start) {
        std::optional<T> answer = test::answerOf<T>(start);
        EXPECT_TRUE(answer.has_value());
        return answer;
    }
    Status remove(const QString& service) {
        return answer<Status>([&](auto done) {
                   store.remove({service, KeychainManager::account, {}}, done);
               })
            .value_or(Status::unavailable);
    }
    Status write(const QString& service, const QByteArray& secret) {
        return answer<Status>([&](auto done) {
                   store.write({service, KeychainManager::account, {}}, secret, done);
               })
            .value_or(Status::unavailable);
    }
    SecretStore::Reply read(const QString& service) {
        return answer<SecretStore::Reply>([&](auto done) {
                   store.read({service, KeychainManager::account, {}}, done);
               })
            .value_or(SecretStore::Reply{});
    }
    std::optional<QString> load(const QString& slot = {}) {
        const auto lookup = answer<KeychainManager::Lookup>(
            [&](auto done) { keychain.loadAPIKey(slot, KeychainManager::Access::quiet, done); });
        if (!lookup || lookup->state != KeychainManager::Lookup::State::found)
            return std::nullopt;
        return lookup->key;
    }
    Status save(const QString& key, const QString& slot = {}) {
        return answer<Status>([&](auto done) {
                   key.isEmpty() ? keychain.deleteAPIKey(slot, done) : keychain.saveAPIKey(slot, key, done);
               })
            .value_or(Status::unavailable);
    }

    QtScheduler scheduler;
    LibsecretStore store;
    KeychainManager keychain{store, scheduler};
};

TEST_F(SecretStoreTest, SaveReadUpdateInPlaceDelete) {
    EXPECT_EQ(load(), std::nullopt);
    EXPECT_EQ(save("sk-first"), SecretStore::Status::ok);
    EXPECT_EQ(save(QString::fromUtf8("sk-second-ž")), SecretStore::Status::ok);
    EXPECT_EQ(load(), QString::fromUtf8("sk-second-ž"));
    EXPECT_EQ(itemCount(KeychainManager::service), 1);
    EXPECT_EQ(remove(KeychainManager::service), SecretStore::Status::ok);
    EXPECT_EQ(load(), std::nullopt);
    EXPECT_EQ(itemCount(KeychainManager::service), 0);
    EXPECT_EQ(remove(KeychainManager::service), SecretStore::Status::ok) << "deleting nothing is quiet";
}

// Each server keeps its own key beside the default service's, whichever is written last: the keyring
// replaces an item that holds the written attributes and more, so the two must never share them.
TEST_F(SecretStoreTest, EachServerHasItsOwnItemBesideTheDefaultOne) {
    const QString local = QStringLiteral("http://127.0.0.1:11434");
    const QString lan = QStringLiteral("http://192.168.1.20:8080");
    EXPECT_EQ(save("sk-local", local), SecretStore::Status::ok);
    EXPECT_EQ(save("sk-default"), SecretStore::Status::ok);
    EXPECT_EQ(save("sk-lan", lan), SecretStore::Status::ok);
    EXPECT_EQ(save("sk-default-2"), SecretStore::Status::ok);
    EXPECT_EQ(save("sk-local-2", local), SecretStore::Status::ok);
    EXPECT_EQ(load(), "sk-default-2");
    EXPECT_EQ(load(local), "sk-local-2");
    EXPECT_EQ(load(lan), "sk-lan");
    EXPECT_EQ(itemCount(KeychainManager::service), 1) << "the default item stays one";

    // As another program finds them: the default item as it always was, a server's by its address.
    QString out;
    test::runProgram("secret-tool",
                     {"lookup", "service", KeychainManager::service, "account", KeychainManager::account},
                     &out);
    EXPECT_EQ(out, "sk-default-2");
    test::runProgram("secret-tool", {"search", "--all", "server", local}, &out);
    EXPECT_THAT(out.toStdString(), testing::HasSubstr("label = Quillet API key for " + local.toStdString()));

    EXPECT_EQ(save({}, local), SecretStore::Status::ok);
    EXPECT_EQ(load(local), std::nullopt);
    EXPECT_EQ(load(), "sk-default-2") << "deleting a server's key leaves the default one";
    EXPECT_EQ(save({}), SecretStore::Status::ok);
    EXPECT_EQ(load(lan), "sk-lan") << "and the other way round";
    EXPECT_EQ(save({}, lan), SecretStore::Status::ok);
}

TEST_F(SecretStoreTest, MigratesFromTheLegacyService) {
    ASSERT_EQ(write(KeychainManager::legacyService, "sk-legacy"), SecretStore::Status::ok);
    EXPECT_EQ(load(), "sk-legacy");
    EXPECT_EQ(read(KeychainManager::service).secret, QByteArray("sk-legacy"));
    EXPECT_EQ(read(KeychainManager::legacyService).status, SecretStore::Status::absent);
}

TEST_F(SecretStoreTest, NonUtf8ItemCountsAsMissing) {
    ASSERT_EQ(write(KeychainManager::service, QByteArray("\xff\xfe\x00x", 4)), SecretStore::Status::ok);
    EXPECT_EQ(load(), std::nullopt);
}

class PreferencesFileTest : public testing::Test {
protected:
    QString configDir() const { return qEnvironmentVariable("XDG_CONFIG_HOME"); }
    QString iniPath() const { return IniDefaults::defaultPath(); }
    void SetUp() override {
        QFile::remove(iniPath());
        QFile::remove(XdgAutostart::defaultPath());
    }

    FakeSecretStore secrets;
    FakeScheduler clock;
    FakeAutostart login;
    FakeSystemLog log;
};

TEST_F(PreferencesFileTest, ValuesSurviveARestartAndTheKeyNeverReachesAFile) {
    LibsecretStore keyring;
    QtScheduler scheduler;
    {
        IniDefaults defaults;
        SettingsStore store(defaults, keyring, login, log, scheduler);
        store.setApiBaseURL("http://127.0.0.1:9");
        EXPECT_EQ(test::answerOf<SecretStore::Status>(
                      [&](auto done) { store.setApiKey("sk-never-in-a-file-1234", done); }),
                  SecretStore::Status::ok);
    }
    EXPECT_TRUE(iniPath().startsWith(configDir() + "/quillet/"));
    IniDefaults defaults;
    SettingsStore store(defaults, keyring, login, log, scheduler);
    EXPECT_EQ(store.apiBaseURL(), "http://127.0.0.1:9") << "the other values: IniDefaultsTest";
    EXPECT_EQ(
        test::answerOf<QString>([&](auto done) { store.readAPIKey(KeychainManager::Access::quiet, done); }),
        "sk-never-in-a-file-1234");
    EXPECT_TRUE(store.hasAPIKey());

    QDirIterator it(configDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_FALSE(f.readAll().contains("sk-never-in-a-file")) << f.fileName().toStdString();
        ++files;
    }
    EXPECT_GE(files, 1);
    test::answerOf<SecretStore::Status>([&](auto done) { store.setApiKey("", done); });
}

TEST_F(PreferencesFileTest, WrongTypesAndGarbageLoadAsDefaultsAndAreRewritten) {
    QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[General]\nminWordCount=lots\nblocklist=5\nlaunchAtLogin=maybe\n"
        "this line is garbage\n=\n[[[\nlanguage=sr\nmodel=a, b\n\x01\x02\xff\n");
    f.close();
    {
        IniDefaults defaults;
        SettingsStore store(defaults, secrets, login, log, clock);
        EXPECT_EQ(store.minWordCount(), 3);
        EXPECT_EQ(store.blocklist(), SettingsStore::defaultBlocklist);
        EXPECT_FALSE(store.launchAtLogin());
        EXPECT_EQ(store.model(), "gpt-4o-mini");
        store.setMinWordCount(5);
        store.setBlocklist({"x"});
    }
    IniDefaults defaults;
    SettingsStore store(defaults, secrets, login, log, clock);
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
    QElapsedTimer elapsed;
    elapsed.start();
    {
        IniDefaults defaults(iniPath(), &log);
        SettingsStore store(defaults, secrets, login, log, clock);
        loaded = true;
        EXPECT_LT(elapsed.elapsed(), 1000);
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
    IniDefaults defaults;
    XdgAutostart autostart("/opt/My Apps/quillet");
    SettingsStore store(defaults, secrets, autostart, log, clock);
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
