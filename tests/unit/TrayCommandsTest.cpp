// The tray's commands over the settings, the history and the clipboard: what is offered for
// blocking, how replacements are titled and copied.
#include <gmock/gmock.h>

#include "core/History.h"
#include "core/TrayCommands.h"
#include "unit/CoreTestSupport.h"

using namespace quillet;

namespace {

class TrayCommandsTest : public test::StoreTest {
protected:
    void SetUp() override {
        store = load();
        workspace.addApp({501, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")});
        TrayParts parts;
        parts.settings = store.get();
        parts.clipboard = &clipboard;
        parts.history = &history;
        parts.fieldApplication = [this] { return field; };
        commands = TrayCommands::over(parts);
    }
    void record(const QString& replacement) {
        history.record(workspace, FocusedField{AXElement(), 501, QStringLiteral("org.xfce.mousepad")},
                       QStringLiteral("original"), replacement, QDateTime());
    }

    std::unique_ptr<SettingsStore> store;
    FakeWorkspace workspace;
    FakePasteboard clipboard;
    History history;
    std::optional<RunningApplication> field;
    TrayCommands commands;
};

TEST_F(TrayCommandsTest, BlockingOffersTheFieldsApplicationOnceAndOnlyWithAnId) {
    EXPECT_EQ(commands.blockCandidate(), std::nullopt) << "no field yet";
    field = RunningApplication{501, std::nullopt, QStringLiteral("Nameless")};
    EXPECT_EQ(commands.blockCandidate(), std::nullopt) << "nothing to block it by";
    field = RunningApplication{501, QStringLiteral("org.example.Bare"), QString()};
    EXPECT_EQ(commands.blockCandidate(), "org.example.Bare") << "named by its id where it has no name";
    field = RunningApplication{501, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")};
    EXPECT_EQ(commands.blockCandidate(), "Mousepad");
    commands.blockCandidateApplication();
    commands.blockCandidateApplication();
    EXPECT_EQ(store->blocklist().count("org.xfce.mousepad"), 1);
    EXPECT_EQ(commands.blockCandidate(), std::nullopt) << "blocked already";
}

TEST_F(TrayCommandsTest, ReplacementsAreTitledOnOneLineAndCopiedWhole) {
    record(QStringLiteral("first\tline\nsecond\u2029third"));
    record(QStringLiteral("newest"));
    EXPECT_THAT(commands.historyTitles(),
                testing::ElementsAre("Mousepad: newest", "Mousepad: first line second third"));
    clipboard.copyText(QStringLiteral("the user's own"));
    commands.copyHistoryEntry(2);
    commands.copyHistoryEntry(-1);
    EXPECT_EQ(clipboard.plainText(), "the user's own") << "out of range does nothing";
    commands.copyHistoryEntry(1);
    EXPECT_EQ(clipboard.plainText(), "first\tline\nsecond\u2029third");
}

}  // namespace
