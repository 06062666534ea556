// Writing into fields: the order of strategies, the secure-input refusals, and the clipboard's
// timing on virtual time.
#include <gmock/gmock.h>

#include "core/TextIO.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeKeySynth.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;
using Strategy = TextIO::Strategy;

namespace {

const PasteboardItem userItem{{"text/plain;charset=utf-8", "user's copy"},
                              {"image/png", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)}};
constexpr qint32 editorPid = 700;

class TextIOTest : public testing::Test {
protected:
    TextIOTest() {
        board.write({userItem});
        workspace.addApp({editorPid, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")});
        // The frontmost application pastes what is on the clipboard, and copies `selection`.
        keys.onPress = [this](const QString& press) {
            if (press == "paste")
                pasted << board.plainText().value_or("<nothing>");
            if (press == "copy" && selection)
                board.copyText(*selection);
        };
    }

    FocusedField field(const QString& value) {
        return FocusedField{ax.makeTextField(editorPid, value), editorPid,
                            QStringLiteral("org.xfce.mousepad")};
    }
    QString valueOf(const FocusedField& f) {
        return std::get<QString>(FakeAccessibility::data(f.element).attributes[AXAttr::value]);
    }
    QStringList attributesWritten() {
        QStringList names;
        for (const auto& call : ax.setCalls)
            names << call.attribute;
        return names;
    }

    FakeAccessibility ax;
    FakePasteboard board;
    FakeKeySynth keys;
    FakeWorkspace workspace;
    FakeScheduler scheduler;
    TextIO io{ax, board, keys, workspace, scheduler};
    QStringList pasted;
    std::optional<QString> selection;
};

}  // namespace

TEST_F(TextIOTest, WholeValueWrittenAndReadBackEqual) {
    FocusedField f = field("teh old text");
    EXPECT_EQ(io.replace(f, "the new text", false), Strategy::axValue);
    EXPECT_EQ(valueOf(f), "the new text");
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(TextIOTest, ValueThatReadsBackDifferentIsReplacedBySelectingAll) {
    FocusedField f = field(QString::fromUtf8("👋"));
    FakeElementData& d = FakeAccessibility::data(f.element);
    d.readBackAfterWrite[AXAttr::value] = QString::fromUtf8("👋");  // accepts the write, keeps its value
    d.settable << AXAttr::selectedTextRange << AXAttr::selectedText;

    EXPECT_EQ(io.replace(f, "hello", false), Strategy::axSelectedText);
    EXPECT_THAT(attributesWritten(),
                ElementsAre(AXAttr::value, AXAttr::selectedTextRange, AXAttr::selectedText));
    // One emoji outside the basic plane is two UTF-16 code units.
    EXPECT_EQ(std::get<AXTextRange>(ax.setCalls[1].value), (AXTextRange{0, 2}));
    EXPECT_EQ(valueOf(f), "hello");
    EXPECT_TRUE(keys.presses.isEmpty());
}

TEST_F(TextIOTest, WholeValueFallsBackToTheClipboardWithSelectAllUnlessInputIsSecure) {
    FocusedField f = field("old");
    FakeElementData& d = FakeAccessibility::data(f.element);
    d.setFailures[AXAttr::value] = AXError::cannotComplete;
    d.settable << AXAttr::selectedTextRange << AXAttr::selectedText;
    d.setFailures[AXAttr::selectedTextRange] = AXError::failure;  // select-all refused

    ax.secureInput = true;
    EXPECT_EQ(io.replace(f, "new", false), std::nullopt);
    scheduler.advance(1s);
    EXPECT_TRUE(keys.presses.isEmpty());
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});
    EXPECT_TRUE(workspace.activations.isEmpty());

    ax.secureInput = false;
    EXPECT_EQ(io.replace(f, "new", false), Strategy::clipboard);
    scheduler.advance(1s);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
    EXPECT_THAT(pasted, ElementsAre("new"));
    EXPECT_THAT(workspace.activations, ElementsAre(editorPid));
}

TEST_F(TextIOTest, SelectionGoesThroughSelectedTextEvenUnderSecureInputElseClipboardWithoutSelectAll) {
    FocusedField f = field("one two three");
    FakeAccessibility::data(f.element).settable << AXAttr::selectedText;
    ax.secureInput = true;
    EXPECT_EQ(io.replace(f, "2", true), Strategy::axSelectedText);

    FakeAccessibility::data(f.element).settableFailures[AXAttr::selectedText] = AXError::cannotComplete;
    EXPECT_EQ(io.replace(f, "2", true), std::nullopt);
    ax.secureInput = false;
    EXPECT_EQ(io.replace(f, "2", true), Strategy::clipboard);
    scheduler.advance(1s);
    EXPECT_THAT(keys.presses, ElementsAre("paste"));
}

TEST_F(TextIOTest, ClipboardHoldsTheReplacementForFourTenthsOfASecondThenTheUsersItems) {
    FocusedField f = field("old");
    FakeAccessibility::data(f.element).settable.clear();
    ASSERT_EQ(io.replace(f, "new text", false), Strategy::clipboard);

    ASSERT_EQ(board.contents.size(), 1);
    EXPECT_EQ(board.plainText(), "new text");
    EXPECT_EQ(board.contents[0].value(PasteboardType::passwordManagerHint), "secret");
    scheduler.advance(99ms);
    EXPECT_TRUE(keys.presses.isEmpty());
    scheduler.advance(1ms);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
    scheduler.advance(299ms);
    EXPECT_EQ(board.plainText(), "new text");
    scheduler.advance(1ms);
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});
}

TEST_F(TextIOTest, OverlappingPastesEachPasteTheirOwnTextAndTheUsersItemsComeBackLast) {
    io.pasteReplacement("first");
    scheduler.advance(350ms);
    io.pasteReplacement("second");  // the first restore (at 400 ms) is still pending
    scheduler.advance(60ms);
    // The first restore must not put the user's items back under the second paste.
    EXPECT_EQ(board.plainText(), "second");
    scheduler.advance(40ms);
    EXPECT_THAT(pasted, ElementsAre("first", "second"));
    scheduler.advance(299ms);
    EXPECT_EQ(board.plainText(), "second");
    scheduler.advance(1ms);
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(TextIOTest, ACopyMadeByTheUserMeanwhileIsNotOverwritten) {
    io.pasteReplacement("quillet's text");
    scheduler.advance(200ms);
    board.copyText("copied by the user");
    scheduler.advance(1s);
    EXPECT_EQ(board.plainText(), "copied by the user");
}

TEST_F(TextIOTest, CopyHandsOverTheSelectionOrNothingAndRestoresTheClipboard) {
    std::vector<std::optional<QString>> results;
    auto collect = [&](std::optional<QString> text) { results.push_back(text); };

    selection = "the selected words";
    io.copyFocusedSelection(collect);
    scheduler.advance(249ms);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1ms);
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});

    selection.reset();  // nothing selected: the application leaves the emptied clipboard alone
    io.copyFocusedSelection(collect);
    scheduler.advance(250ms);
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});

    ax.secureInput = true;
    io.copyFocusedSelection(collect);
    EXPECT_THAT(results, ElementsAre(QString("the selected words"), std::nullopt, std::nullopt));
    EXPECT_THAT(keys.presses, ElementsAre("copy", "copy"));
}

TEST_F(TextIOTest, PendingStepsFinishAfterTheirOwnerIsGone) {
    auto owner = std::make_unique<TextIO>(ax, board, keys, workspace, scheduler);
    owner->pasteReplacement("late");
    owner.reset();
    scheduler.advance(1s);
    EXPECT_THAT(pasted, ElementsAre("late"));
    EXPECT_EQ(board.contents, QList<PasteboardItem>{userItem});
}
