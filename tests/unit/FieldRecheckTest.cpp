// The field read again before the write: where the chosen text goes when the user typed meanwhile,
// and when nothing may be written at all.
#include "CoreTestSupport.h"
#include "core/FieldRecheck.h"

using namespace quillet;
using Verdict = FieldRecheck::Verdict;

namespace {

const QString kChecked = QStringLiteral("Their is a mistak here. Second sentence stays.");
const QString kSentence = QStringLiteral("Their is a mistak here.");
const QString kFixed = QStringLiteral("There is a mistake here.");

// The whole field was sent.
CheckedField whole() {
    return CheckedField{kChecked, TextRange{0, kChecked.size()}};
}

}  // namespace

// Each row: the field now, and what it must hold after the write (empty: nothing is written).
TEST(FieldRecheckTest, AnEditClearOfTheCorrectedWordsIsKeptAndOneTouchingThemStopsTheWrite) {
    const QString fixedWhole = QString(kChecked).replace(kSentence, kFixed);
    struct Row {
        const char* what;
        QString now;
        std::optional<QString> after;
    };
    const QList<Row> rows{
        {"unchanged", kChecked, fixedWhole},
        {"typed at the end", kChecked + " Typed meanwhile.", fixedWhole + " Typed meanwhile."},
        {"typed at the start", "Oh. " + kChecked, "Oh. " + fixedWhole},
        {"a word after the corrections changed", QString(kChecked).replace("stays", "remains"),
         QString(fixedWhole).replace("stays", "remains")},
        {"a corrected word edited", QString(kChecked).replace("mistak", "mistakx"), std::nullopt},
        {"typed right against a corrected word", QString(kChecked).replace("Their", "XTheir"), std::nullopt},
        {"a word between two corrections", QString(kChecked).replace(" a ", " one "), std::nullopt},
        {"emptied", QString(), std::nullopt},
        {"all new", QStringLiteral("Something else entirely."), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const FieldRecheck plan =
            FieldRecheck::plan(whole(), QString(kChecked).replace(kSentence, kFixed), row.now);
        if (!row.after) {
            EXPECT_EQ(plan.verdict, Verdict::changed);
            continue;
        }
        EXPECT_EQ(plan.verdict, row.now == kChecked ? Verdict::same : Verdict::rebased);
        EXPECT_EQ(plan.after(), *row.after);
    }

    // Only a selection was sent: the write goes where it was, whatever the user typed elsewhere.
    const CheckedField selection{kChecked, TextRange{0, kSentence.size()}};
    const FieldRecheck plan = FieldRecheck::plan(selection, kFixed, kChecked + " More.");
    EXPECT_EQ(plan.verdict, Verdict::rebased);
    EXPECT_EQ(plan.after(), QString(kChecked).replace(kSentence, kFixed) + " More.");
    EXPECT_EQ(FieldRecheck::plan(selection, kFixed, kChecked).range, selection.sent)
        << "unchanged: the sent part";
}

TEST(FieldRecheckTest, AFieldThatIsGoneOrBehindAnotherApplicationIsNotWritten) {
    FakeAccessibility ax;
    FakeWorkspace workspace;
    const RunningApplication editor{700, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")};
    const RunningApplication other{800, QStringLiteral("org.example.Other"), QStringLiteral("Other")};
    workspace.addApp(editor);
    workspace.addApp(other);
    const Accessible element = ax.makeTextField(editor.pid, kChecked);
    const FocusedField field{element, editor.pid, editor.appId};
    auto verdict = [&] { return FieldRecheck::of(ax, workspace, field, whole(), kChecked).verdict; };

    workspace.activateApp(editor);
    EXPECT_EQ(verdict(), Verdict::same);
    workspace.frontmost = RunningApplication{workspace.myPid, std::nullopt, std::nullopt};
    EXPECT_EQ(verdict(), Verdict::same) << "this program's panel in front";
    workspace.addApp({701, editor.appId, std::nullopt});
    workspace.activateApp(workspace.apps.value(701));
    EXPECT_EQ(verdict(), Verdict::same) << "another process of the same application";

    workspace.activateApp(other);
    EXPECT_EQ(verdict(), Verdict::gone) << "another application in front";
    workspace.activateApp(editor);
    FakeAccessibility::data(element).copyFailures[Property::value] = AccessError::cannotComplete;
    EXPECT_EQ(verdict(), Verdict::unanswered) << "a stopped application";
    ax.destroy(element);
    EXPECT_EQ(verdict(), Verdict::gone);
    FakeAccessibility::data(element).destroyed = false;
    FakeAccessibility::data(element).copyFailures.clear();
    workspace.apps.remove(editor.pid);
    EXPECT_EQ(verdict(), Verdict::gone) << "its process has ended";
}
