// Without a reachable Secret Service the key is simply absent: no hang, no crash, nothing written.
#include <gmock/gmock.h>

#include <QElapsedTimer>

#include "core/KeychainManager.h"
#include "platform/linux/LibsecretStore.h"

using namespace quillet;

TEST(NoSecretServiceTest, ReadsGiveNothingAndWritesDoNothingQuickly) {
    // Before libsecret connects anywhere in this process, point it at a bus that does not exist.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillet-no-bus");
    LibsecretStore store;
    KeychainManager keychain(store);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
    keychain.saveAPIKey("sk-nowhere");
    EXPECT_FALSE(store.write(KeychainManager::service, KeychainManager::account, "x"));
    keychain.deleteAPIKey();
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
    EXPECT_LT(timer.elapsed(), 10000) << "no hang waiting for a service that is not there";
}
