// Without a reachable Secret Service the key is simply absent: no hang, no crash, nothing written,
// and a save says that nothing was kept.
#include <gmock/gmock.h>

#include <QElapsedTimer>

#include "core/KeychainManager.h"
#include "core/SettingsStore.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/secret/LibsecretStore.h"
#include "support/TestEnv.h"

using namespace quillet;

TEST(NoSecretServiceTest, ReadsGiveNothingAndSavesSaySoQuickly) {
    // Before libsecret connects anywhere in this process, point it at a bus that does not exist.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillet-no-bus");
    LibsecretStore secrets;
    QtScheduler scheduler;
    FakeDefaults defaults;
    FakeAutostart login;
    FakeSystemLog log;
    QElapsedTimer timer;
    timer.start();
    SettingsStore store(defaults, secrets, login, log, scheduler);
    ASSERT_TRUE(test::waitUntil([&] { return store.keyPresenceKnown(); }, 5000));
    EXPECT_FALSE(store.hasAPIKey());

    EXPECT_EQ(test::answerOf<SecretStore::Status>([&](auto done) { store.setApiKey("sk-nowhere", done); }),
              SecretStore::Status::unavailable);
    EXPECT_FALSE(store.hasAPIKey());

    EXPECT_EQ(test::answerOf<QString>(
                  [&](auto done) { store.readAPIKey(KeychainManager::Access::mayPrompt, done); }),
              QString());
    EXPECT_LT(timer.elapsed(), 4000) << "no wait for a service that is not there";
    EXPECT_TRUE(log.lines.isEmpty());
}
