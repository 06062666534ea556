// What a request reads of a field, and when it refuses to send what it read; and the field read
// again before the write: where the chosen text goes when the user typed meanwhile, and when nothing
// may be written at all.
#include <gmock/gmock.h>

#include "core/FieldRecheck.h"
#include "core/FieldRequest.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"

using namespace quillet;
using NoRequest = FieldRequest::NoRequest;
using Verdict = FieldRecheck::Verdict;

namespace {

class FieldRequestTest : public testing::Test {
protected:
    std::optional<FieldRequest> read(const Accessible& element, NoRequest* why = nullptr) {
        return FieldRequest::read(ax, workspace, FocusedField{element, 77, std::nullopt, 0}, why);
    }
    /// Why no request is made of `element`'s text; nothing when one is.
    std::optional<NoRequest> refusal(const Accessible& element) {
        NoRequest why = NoRequest::blank;
        return read(element, &why) ? std::nullopt : std::optional(why);
    }
    FakeAccessibility ax;
    FakeWorkspace workspace;
};

TEST_F(FieldRequestTest, TextThatDidNotComeThroughWholeIsNeverSent) {
    const QString fffc(QChar(0xFFFC));
    // A rich-text host read as its own text: one object per paragraph, no words.
    const Accessible host = ax.makeTextField(77, fffc + fffc);
    EXPECT_EQ(refusal(host), NoRequest::unreadable);
    // An object among words: the words would come back without it.
    ax.set(host, Property::value, QStringLiteral("A sentense ") + fffc + QStringLiteral(" here."));
    EXPECT_EQ(refusal(host), NoRequest::unreadable);
    // The text cut short (at a NUL, say): less than the field says it holds, or nothing of it.
    ax.set(host, Property::value, QStringLiteral("This is a sen"));
    ax.set(host, Property::numberOfCharacters, qint64(30));
    EXPECT_EQ(refusal(host), NoRequest::unreadable);
    ax.set(host, Property::value, QString());
    EXPECT_EQ(refusal(host), NoRequest::unreadable);
    // A selected paragraph that comes as its object.
    ax.set(host, Property::value, QStringLiteral("Whole text."));
    ax.remove(host, Property::numberOfCharacters);
    ax.set(host, Property::selectedText, fffc);
    EXPECT_EQ(refusal(host), NoRequest::unreadable);
}

TEST_F(FieldRequestTest, BlankOrWholeTextIsTakenAsItStands) {
    const Accessible field = ax.makeTextField(77, QStringLiteral("  \n "));
    EXPECT_EQ(refusal(field), NoRequest::blank);
    ax.set(field, Property::value, QString());
    ax.set(field, Property::numberOfCharacters, qint64(0));
    EXPECT_EQ(refusal(field), NoRequest::blank);

    // A final line break counted and not given, and emoji counted as characters, are the whole text.
    const QString text = QStringLiteral("A sentense 👋🏽 here.\n");
    ax.set(field, Property::value, text.chopped(1));
    ax.set(field, Property::numberOfCharacters, qint64(text.size()));
    const std::optional<FieldRequest> request = read(field);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->shown, text.chopped(1));
}

}  // namespace

// A copy tells the selection of a field that never tells it: it stands where it stands in the
// field's text, and only where that is one place.
TEST_F(FieldRequestTest, ACopiedSelectionStandsWhereItIsFoundOnce) {
    const FocusedField field{ax.makeTextField(77, QStringLiteral("One line.\nTwo lines.\nOne line.")), 77,
                             std::nullopt, 0};
    const auto copied = FieldRequest::ofCopied(ax, workspace, field, QStringLiteral("Two lines.\r\n"));
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->selectionOnly);
    EXPECT_EQ(copied->location, 10);
    EXPECT_EQ(copied->shown, "Two lines.\n");
    EXPECT_FALSE(FieldRequest::ofCopied(ax, workspace, field, QStringLiteral("One line."))) << "twice there";
    EXPECT_FALSE(FieldRequest::ofCopied(ax, workspace, field, QStringLiteral("Three."))) << "not there";
}

// A browser waiting for another program's clipboard answers nothing for up to a second. A field
// whose selection and text both fail to come is read again a few times, never taken as blank; one
// that says it cannot give a selection is read whole, as before.
TEST_F(FieldRequestTest, AFieldThatDoesNotAnswerIsReadAgainLater) {
    const Accessible field = ax.makeTextField(77, QStringLiteral("Their is a mistak."));
    auto& failures = FakeAccessibility::data(field).copyFailures;
    failures[Property::value] = failures[Property::selectedText] = AccessError::cannotComplete;
    EXPECT_EQ(refusal(field), NoRequest::unanswered);

    FakeScheduler scheduler;
    int again = 0;
    int retry = 0;
    while (FieldRequest::readAgainLater(scheduler, NoRequest::unanswered, retry, [&] { ++again; }))
        ++retry;
    scheduler.advance(FieldRequest::unansweredRetryDelay * (FieldRequest::unansweredRetries + 1));
    EXPECT_EQ(again, FieldRequest::unansweredRetries);
    EXPECT_GE(FieldRequest::unansweredRetryDelay * FieldRequest::unansweredRetries, std::chrono::seconds(1));
    EXPECT_FALSE(FieldRequest::readAgainLater(scheduler, NoRequest::blank, 0, [] {}));

    failures.remove(Property::value);
    const std::optional<FieldRequest> whole = read(field);
    ASSERT_TRUE(whole) << "the text came: the selection's silence does not hold it back";
    EXPECT_EQ(whole->shown, QStringLiteral("Their is a mistak."));
    failures[Property::value] = AccessError::cannotComplete;
    failures[Property::selectedText] = AccessError::unsupported;
    EXPECT_NE(refusal(field).value_or(NoRequest::unanswered), NoRequest::unanswered)
        << "it answered: no selection to be had";
}

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
    workspace.activeApp = RunningApplication{workspace.myPid, std::nullopt, std::nullopt};
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
