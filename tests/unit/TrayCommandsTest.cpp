// The tray's commands over the settings: what is offered for blocking. (How replacements are titled
// and copied is checked through the menu, in AppDelegateTest.)
#include "core/History.h"
#include "core/TrayCommands.h"
#include "unit/CoreTestSupport.h"

using namespace quillet;

namespace {

class TrayCommandsTest : public test::StoreTest {
protected:
    void SetUp() override {
        store = load();
        TrayParts parts;
        parts.settings = store.get();
        parts.clipboard = &clipboard;
        parts.history = &history;
        parts.fieldApplication = [this] { return field; };
        commands.emplace(parts);
    }
    std::unique_ptr<SettingsStore> store;
    FakeClipboard clipboard;
    History history;
    std::optional<RunningApplication> field;
    std::optional<TrayCommands> commands;
};

TEST_F(TrayCommandsTest, BlockingOffersTheFieldsApplicationOnceAndOnlyWithAnId) {
    EXPECT_EQ(commands->blockCandidate(), std::nullopt) << "no field yet";
    field = RunningApplication{501, std::nullopt, QStringLiteral("Nameless")};
    EXPECT_EQ(commands->blockCandidate(), std::nullopt) << "nothing to block it by";
    field = RunningApplication{501, QStringLiteral("org.example.Bare"), QString()};
    EXPECT_EQ(commands->blockCandidate(), "org.example.Bare") << "named by its id where it has no name";
    field = RunningApplication{501, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")};
    EXPECT_EQ(commands->blockCandidate(), "Mousepad");
    commands->blockCandidateApplication();
    commands->blockCandidateApplication();
    EXPECT_EQ(store->blocklist().count("org.xfce.mousepad"), 1);
    EXPECT_EQ(commands->blockCandidate(), std::nullopt) << "blocked already";
}

}  // namespace
