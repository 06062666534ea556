#include <gmock/gmock.h>

#include "core/KeychainManager.h"
#include "platform/fake/FakeSecretStore.h"

using namespace quillet;

namespace {

class KeychainManagerTest : public testing::Test {
protected:
    void TearDown() override { KeychainManager::previewKey.reset(); }
    QByteArray* current() {
        auto it = store.items.find({KeychainManager::service, KeychainManager::account});
        return it == store.items.end() ? nullptr : &*it;
    }
    QByteArray* legacy() {
        auto it = store.items.find({KeychainManager::legacyService, KeychainManager::account});
        return it == store.items.end() ? nullptr : &*it;
    }
    void plant(const QString& service, const QByteArray& bytes) {
        store.items[{service, KeychainManager::account}] = bytes;
    }
    FakeSecretStore store;
    KeychainManager keychain{store};
};

TEST_F(KeychainManagerTest, NothingStoredGivesNoKeyAfterTwoQueries) {
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
    EXPECT_EQ(store.reads, 2);
    EXPECT_EQ(store.writes, 0);
}

TEST_F(KeychainManagerTest, LegacyOnlyMigratesOnce) {
    plant(KeychainManager::legacyService, "sk-legacy");
    EXPECT_EQ(keychain.loadAPIKey(), "sk-legacy");
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(*current(), "sk-legacy");
    EXPECT_EQ(legacy(), nullptr);
    store.reads = 0;
    EXPECT_EQ(keychain.loadAPIKey(), "sk-legacy");
    EXPECT_EQ(store.reads, 1);
}

TEST_F(KeychainManagerTest, FailedMigrationKeepsTheLegacyItem) {
    plant(KeychainManager::legacyService, "sk-legacy");
    store.failWrites = true;
    EXPECT_EQ(keychain.loadAPIKey(), "sk-legacy");
    ASSERT_NE(legacy(), nullptr) << "the only copy of the key must survive a failed write";
    EXPECT_EQ(*legacy(), "sk-legacy");
}

TEST_F(KeychainManagerTest, CurrentWinsAndLegacyIsLeftAlone) {
    plant(KeychainManager::service, "sk-current");
    plant(KeychainManager::legacyService, "sk-legacy");
    EXPECT_EQ(keychain.loadAPIKey(), "sk-current");
    EXPECT_NE(legacy(), nullptr);
}

TEST_F(KeychainManagerTest, EmptyCurrentItemIsAnEmptyKeyNotAMissingOne) {
    plant(KeychainManager::service, "");
    plant(KeychainManager::legacyService, "sk-legacy");
    EXPECT_EQ(keychain.loadAPIKey(), QString(""));
    EXPECT_EQ(store.reads, 1) << "the legacy service is not consulted";
}

TEST_F(KeychainManagerTest, NonUtf8CurrentItemCountsAsMissing) {
    plant(KeychainManager::service, QByteArray("sk-\xff\xfe", 5));
    plant(KeychainManager::legacyService, "sk-legacy");
    EXPECT_EQ(keychain.loadAPIKey(), "sk-legacy");
    EXPECT_EQ(*current(), "sk-legacy") << "the migration replaces the unreadable item";
}

TEST_F(KeychainManagerTest, UnicodeKeyRoundTripsAsUtf8) {
    keychain.saveAPIKey(QString::fromUtf8("ključ-✓"));
    EXPECT_EQ(*current(), QByteArray("klju\xc4\x8d-\xe2\x9c\x93"));
    EXPECT_EQ(keychain.loadAPIKey(), QString::fromUtf8("ključ-✓"));
}

TEST_F(KeychainManagerTest, SaveTwiceLeavesOneItemDeleteMissingIsQuiet) {
    keychain.saveAPIKey("one");
    keychain.saveAPIKey("two");
    EXPECT_EQ(store.items.size(), 1);
    EXPECT_EQ(*current(), "two");
    keychain.deleteAPIKey();
    keychain.deleteAPIKey();
    EXPECT_TRUE(store.items.isEmpty());
}

TEST_F(KeychainManagerTest, UnreachableStoreMeansNoKey) {
    plant(KeychainManager::service, "sk-current");
    store.failReads = true;
    EXPECT_EQ(keychain.loadAPIKey(), std::nullopt);
}

TEST_F(KeychainManagerTest, PreviewKeyShadowsTheStore) {
    plant(KeychainManager::service, "sk-real");
    KeychainManager::previewKey = QStringLiteral("sk-demo");
    EXPECT_EQ(keychain.loadAPIKey(), "sk-demo");
    EXPECT_EQ(store.reads, 0);
    keychain.saveAPIKey("sk-saved");
    EXPECT_EQ(*current(), "sk-saved") << "saving is not affected by the preview";
}

}  // namespace
