// The key check of both windows: what is stored, what is checked, and which answer counts.
#include <deque>

#include "CoreTestSupport.h"
#include "core/KeyCheck.h"

using namespace quillet;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

class KeyCheckTest : public test::StoreTest {
protected:
    QString storedKey() {
        QString key = QStringLiteral("<no answer>");
        store.readAPIKey(KeychainManager::Access::quiet, [&](const QString& k) { key = k; });
        return key;
    }
    void answer(std::size_t index, bool valid) {
        ASSERT_LT(index, pending.size());
        pending[index](valid);
    }

    SettingsStore store{defaults, secrets, autostart, log, scheduler};
    QStringList checked;
    std::deque<std::function<void(bool)>> pending;
    KeyCheck check{store, [this](const QString&, const QString& key, std::function<void(bool)> done) {
                       checked << key;
                       pending.push_back(std::move(done));
                   }};
};

TEST_F(KeyCheckTest, StoresTheKeyAsTypedAndChecksWhatTheKeyringGivesBack) {
    QList<KeyStatus> seen;
    QObject::connect(&check, &KeyCheck::statusChanged, [&](KeyStatus s) { seen << s; });
    check.start(QString());
    EXPECT_EQ(check.status(), KeyStatus::idle) << "an empty key is no key";

    check.start(QStringLiteral("  sk-spaced "));
    EXPECT_EQ(storedKey(), "  sk-spaced ");
    EXPECT_THAT(checked, ElementsAre("  sk-spaced "));
    EXPECT_EQ(check.status(), KeyStatus::checking);
    answer(0, false);
    EXPECT_EQ(check.status(), KeyStatus::invalid);
    EXPECT_EQ(storedKey(), "  sk-spaced ") << "a rejected key is still the stored key";
    EXPECT_THAT(seen, ElementsAre(KeyStatus::checking, KeyStatus::invalid));
}

TEST_F(KeyCheckTest, OnlyTheLatestCheckCounts) {
    check.start(QStringLiteral("sk-good"));
    check.start(QStringLiteral("sk-bad"));
    EXPECT_THAT(checked, ElementsAre("sk-good", "sk-bad"));
    answer(1, false);
    answer(0, true);  // the stale answer about sk-good arrives last
    EXPECT_EQ(check.status(), KeyStatus::invalid);
    EXPECT_EQ(storedKey(), "sk-bad");
}

TEST_F(KeyCheckTest, AKeyTheKeyringDidNotTakeIsNeverChecked) {
    store.setApiKey(QStringLiteral("sk-old"));
    secrets.failWrites = true;
    check.start(QStringLiteral("sk-new"));
    EXPECT_EQ(check.status(), KeyStatus::keyringUnavailable);

    secrets.failWrites = false;
    secrets.locked = true;
    secrets.promptAnswer = FakeSecretStore::PromptAnswer::dismiss;
    check.start(QStringLiteral("sk-new"));
    EXPECT_EQ(check.status(), KeyStatus::keyringLocked);

    // A keyring that hangs: the same plain answer once the write is given up on.
    secrets.locked = false;
    secrets.hang = true;
    check.start(QStringLiteral("sk-new"));
    EXPECT_EQ(check.status(), KeyStatus::checking);
    scheduler.advance(KeychainManager::changeTimeout);
    EXPECT_EQ(check.status(), KeyStatus::keyringUnavailable);
    EXPECT_THAT(checked, IsEmpty()) << "neither the old key nor an empty one is checked";
    secrets.hang = false;
    EXPECT_EQ(storedKey(), "sk-old");
}

TEST_F(KeyCheckTest, AKeyForPlainHttpIsKeptButNotSentUntilAllowedAndANewServerStartsAfresh) {
    store.setApiBaseURL(QStringLiteral("http://192.168.1.9:8080"));
    check.start(QStringLiteral("sk-lan"));
    EXPECT_EQ(check.status(), KeyStatus::notSent);
    EXPECT_THAT(checked, IsEmpty()) << "checking it would send it in clear text";
    EXPECT_EQ(storedKey(), "sk-lan");

    store.setPlainHttpKeyAllowed(true);
    check.start(QStringLiteral("sk-lan"));
    EXPECT_THAT(checked, ElementsAre("sk-lan"));
    check.reset();
    EXPECT_EQ(check.status(), KeyStatus::idle);
    answer(0, true);
    EXPECT_EQ(check.status(), KeyStatus::idle) << "the answer was about the server before";
}

TEST_F(KeyCheckTest, AnAnswerAfterTheCheckIsGoneIsIgnored) {
    auto owned = std::make_unique<KeyCheck>(
        store, [this](const QString&, const QString&, std::function<void(bool)> done) {
            pending.push_back(std::move(done));
        });
    owned->start(QStringLiteral("sk-1"));
    owned.reset();
    answer(0, true);  // must not touch the deleted check
}

}  // namespace
