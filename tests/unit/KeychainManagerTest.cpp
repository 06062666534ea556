// The API key in the secret store: reads, writes, migration, locked and hung keyrings.
#include <gmock/gmock.h>

#include "core/KeychainManager.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"

using namespace quillet;
using namespace std::chrono_literals;
using Access = KeychainManager::Access;
using State = KeychainManager::Lookup::State;
using Status = SecretStore::Status;

namespace {

class KeychainManagerTest : public testing::Test {
protected:
    QByteArray* current(const QString& service = KeychainManager::service) {
        auto it = store.items.find(KeychainManager::itemFor({}, service));
        return it == store.items.end() ? nullptr : &*it;
    }
    QByteArray* legacy() { return current(KeychainManager::legacyService); }
    void plant(const QString& service, const QByteArray& bytes) {
        store.items[KeychainManager::itemFor({}, service)] = bytes;
    }
    /// Starts a read; the answer lands in the returned slot whenever it comes.
    std::shared_ptr<std::optional<KeychainManager::Lookup>> load(Access access = Access::quiet,
                                                                 const QString& server = {}) {
        auto out = std::make_shared<std::optional<KeychainManager::Lookup>>();
        keychain.loadAPIKey(server, access, [out](const KeychainManager::Lookup& l) { *out = l; });
        return out;
    }
    std::optional<QString> key(Access access = Access::quiet) {
        const auto out = load(access);
        EXPECT_TRUE(out->has_value()) << "the fake answers at once";
        if (!*out || (*out)->state != State::found)
            return std::nullopt;
        return (*out)->key;
    }
    Status save(const QString& k, const QString& server = {}) {
        std::optional<Status> status;
        keychain.saveAPIKey(server, k, [&](Status s) { status = s; });
        EXPECT_TRUE(status.has_value());
        return status.value_or(Status::unavailable);
    }

    FakeScheduler scheduler;
    FakeSecretStore store;
    KeychainManager keychain{store, scheduler};
};

TEST_F(KeychainManagerTest, NothingStoredGivesNoKeyAfterTwoQueries) {
    EXPECT_EQ(key(), std::nullopt);
    EXPECT_EQ(store.reads, 2);
    EXPECT_EQ(store.writes, 0);
    EXPECT_EQ(scheduler.pendingTimers(), 0u) << "no deadline outlives its answer";
}

TEST_F(KeychainManagerTest, LegacyOnlyMigratesOnceAndAFailedMigrationKeepsIt) {
    plant(KeychainManager::legacyService, "sk-legacy");
    store.failWrites = true;
    EXPECT_EQ(key(), "sk-legacy");
    ASSERT_NE(legacy(), nullptr) << "the only copy of the key must survive a failed write";

    store.failWrites = false;
    EXPECT_EQ(key(), "sk-legacy");
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(*current(), "sk-legacy");
    EXPECT_EQ(legacy(), nullptr);
    store.reads = 0;
    EXPECT_EQ(key(), "sk-legacy");
    EXPECT_EQ(store.reads, 1);
}

TEST_F(KeychainManagerTest, CurrentItemWinsEvenEmptyButUnreadableBytesDoNot) {
    plant(KeychainManager::service, "sk-current");
    plant(KeychainManager::legacyService, "sk-legacy");
    EXPECT_EQ(key(), "sk-current");
    EXPECT_NE(legacy(), nullptr);

    plant(KeychainManager::service, "");
    store.reads = 0;
    const auto empty = load();
    EXPECT_EQ((*empty)->state, State::found);
    EXPECT_EQ((*empty)->key, QString(""));
    EXPECT_FALSE((*empty)->keyStored());
    EXPECT_EQ(store.reads, 1) << "the legacy service is not consulted";

    plant(KeychainManager::service, QByteArray("sk-\xff\xfe", 5));
    EXPECT_EQ(key(), "sk-legacy");
    EXPECT_EQ(*current(), "sk-legacy") << "the migration replaces the unreadable item";
}

TEST_F(KeychainManagerTest, AHungKeyringMeansNoKeyWithinASecond) {
    plant(KeychainManager::service, "sk-current");
    store.hang = true;
    const auto out = load();
    scheduler.advance(999ms);
    EXPECT_FALSE(out->has_value());
    scheduler.advance(1ms);
    ASSERT_TRUE(out->has_value());
    EXPECT_EQ((*out)->state, State::unavailable);
    EXPECT_FALSE((*out)->keyStored());
    EXPECT_EQ(store.pending(), 0u) << "the call given up on is cancelled";

    // A save, which the user watches a spinner for, is given a little longer.
    std::optional<Status> saved;
    keychain.saveAPIKey({}, "sk-new", [&](Status s) { saved = s; });
    scheduler.advance(KeychainManager::changeTimeout - 1ms);
    EXPECT_FALSE(saved.has_value());
    scheduler.advance(1ms);
    EXPECT_EQ(saved, Status::unavailable);

    // Calls still out when the manager goes are cancelled and never answered.
    std::optional<Status> late;
    {
        KeychainManager other(store, scheduler);
        other.saveAPIKey({}, "sk-x", [&](Status s) { late = s; });
    }
    EXPECT_EQ(store.pending(), 0u);
    scheduler.advance(5s);
    EXPECT_FALSE(late.has_value());
}

TEST_F(KeychainManagerTest, ALockedKeyringPromptsOnlyWhenAllowedAndOnlyOnce) {
    plant(KeychainManager::service, "sk-current");
    store.locked = true;

    // Quietly: the key is known to be there, and nobody is asked.
    auto out = load(Access::quiet);
    EXPECT_EQ((*out)->state, State::locked);
    EXPECT_TRUE((*out)->keyStored());
    EXPECT_EQ(store.prompts, 0);

    // The user declines: one prompt, even though the legacy service is locked too.
    plant(KeychainManager::legacyService, "sk-legacy");
    store.items.remove(KeychainManager::itemFor({}));
    store.promptAnswer = FakeSecretStore::PromptAnswer::dismiss;
    out = load(Access::mayPrompt);
    EXPECT_EQ((*out)->state, State::locked);
    EXPECT_EQ(store.prompts, 1);

    // The user unlocks: the key comes, and the move to the current service needs no second prompt.
    store.promptAnswer = FakeSecretStore::PromptAnswer::unlock;
    EXPECT_EQ(key(Access::mayPrompt), "sk-legacy");
    EXPECT_EQ(store.prompts, 2);
    EXPECT_EQ(*current(), "sk-legacy");

    // A prompt nobody answers is taken away after a while.
    store.locked = true;
    store.promptAnswer = FakeSecretStore::PromptAnswer::ignore;
    out = load(Access::mayPrompt);
    scheduler.advance(KeychainManager::promptTimeout - 1ms);
    EXPECT_FALSE(out->has_value()) << "the user may still be typing the password";
    scheduler.advance(1ms);
    EXPECT_EQ((*out)->state, State::locked);
    EXPECT_EQ(store.pending(), 0u);
}

TEST_F(KeychainManagerTest, AServersKeyIsItsOwnItemAndNeverTheDefaultOrALegacyOne) {
    const QString local = QStringLiteral("http://127.0.0.1:11434");
    plant(KeychainManager::service, "sk-default");
    plant(KeychainManager::legacyService, "sk-legacy");
    EXPECT_EQ((*load(Access::quiet, local))->state, State::absent)
        << "another server never gets the default key";
    EXPECT_NE(legacy(), nullptr) << "nor does it move the old one";

    EXPECT_EQ(save("sk-local", local), Status::ok);
    EXPECT_EQ(store.items.value({KeychainManager::service, KeychainManager::serverAccount, local}),
              "sk-local");
    EXPECT_EQ(*current(), "sk-default");
    keychain.deleteAPIKey({}, [](Status) {});
    EXPECT_EQ((*load(Access::quiet, local))->key, "sk-local")
        << "deleting the default key leaves the server's";
}

TEST_F(KeychainManagerTest, SavingIntoALockedKeyringAsksOnce) {
    store.locked = true;
    store.promptAnswer = FakeSecretStore::PromptAnswer::dismiss;
    EXPECT_EQ(save("sk-1"), Status::locked);
    EXPECT_EQ(store.prompts, 1);
    EXPECT_EQ(current(), nullptr);

    store.promptAnswer = FakeSecretStore::PromptAnswer::unlock;
    EXPECT_EQ(save("sk-1"), Status::ok);
    EXPECT_EQ(store.prompts, 2);
    EXPECT_EQ(*current(), "sk-1");
}

}  // namespace
