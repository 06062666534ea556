// How often the focus monitor reads a field's whole text, on the fake tree and a virtual clock.
#include "unit/AXMonitorFixture.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

using test::editorPid;

// The tick reads the whole text only when something says it changed, so following a long
// document costs no more than following a short one.
class AXMonitorTextReadTest : public test::AXMonitorFixture {
protected:
    AXMonitorTextReadTest() {
        ax.onCopy = [this](const Accessible&, Property attribute) {
            if (attribute == Property::value) {
                ++textReads;
                scheduler.spend(readCost);
            }
        };
    }
    Accessible startOnField(const QString& text) {
        Accessible field = focusField(editorPid, text);
        ax.set(field, Property::selectedTextRange, TextRange{text.size(), 0});
        monitor.start();
        textReads = 0;
        return field;
    }
    void type(const Accessible& field, const QString& text) {
        ax.set(field, Property::value, text);
        ax.set(field, Property::selectedTextRange, TextRange{text.size(), 0});
        ax.notify(editorPid, field, AccessEvent::textChanged);
    }
    int textReads = 0;
    std::chrono::milliseconds readCost{0};
};

TEST_F(AXMonitorTextReadTest, IdleTicksLeaveTheTextUnreadButForTheSafetyNet) {
    Accessible field = startOnField(QStringLiteral("a short note"));
    scheduler.advance(10s);
    EXPECT_EQ(textReads, 4) << "one read on the first tick after each two seconds, none on the others";
    EXPECT_EQ(updates, 0);
    // Moving the window reads the frame, not the text.
    ax.setFrame(field, Rect(120, 200, 300, 40));
    ax.notify(editorPid, field, AccessEvent::windowMoved);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(textReads, 4);
}

TEST_F(AXMonitorTextReadTest, ALongTextIsWatchedAroundTheCaretAndReadWholeOnlyWhenThatChanges) {
    int nearCaretReads = 0;
    ax.onCopy = [&](const Accessible&, Property attribute) {
        textReads += attribute == Property::value;
        nearCaretReads += attribute == Property::textNearCaret;
    };
    const QString text = QStringLiteral("a long document ").repeated(1000);
    Accessible field = startOnField(text);
    nearCaretReads = 0;
    scheduler.advance(60s);
    EXPECT_EQ(textReads, 0);
    EXPECT_GE(nearCaretReads, 25);
    EXPECT_LE(nearCaretReads, 30);
    EXPECT_EQ(monitor.currentWordCount(), 3000);

    // Same length, same caret, no event: a change before the caret is found by the next look at it.
    ax.set(field, Property::value, QString(text).replace(text.size() - 7, 1, QLatin1Char(' ')));
    scheduler.advance(AXMonitor::fullReadInterval + AXMonitor::trackInterval);
    EXPECT_EQ(textReads, 1);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(monitor.currentWordCount(), 3001);
    // What was read is the new mark: idle again, the text is left alone.
    scheduler.advance(20s);
    EXPECT_EQ(textReads, 1);

    // A toolkit that cannot give the text around the caret is read whole now and then, as before.
    FakeAccessibility::data(field).copyFailures[Property::textNearCaret] = AccessError::unsupported;
    ax.notify(editorPid, field, AccessEvent::textChanged);
    scheduler.advance(AXMonitor::trackInterval);
    textReads = 0;
    scheduler.advance(10s);
    EXPECT_EQ(textReads, 4);
}

TEST_F(AXMonitorTextReadTest, EditsAreReadOncePerTickAndTheWordCountFollows) {
    Accessible field = startOnField(QStringLiteral("one two"));
    EXPECT_EQ(monitor.currentWordCount(), 2);
    // Five notifications within one tick (a paste, an autocorrection): one read, one report.
    type(field, QStringLiteral("one two t"));
    for (int i = 0; i < 4; ++i)
        type(field, QStringLiteral("one two three four"));
    EXPECT_EQ(textReads, 0) << "nothing is read while the events come in";
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(textReads, 1);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(monitor.currentWordCount(), 4);

    // Without any event, a new length is found by the next tick.
    ax.set(field, Property::value, QStringLiteral("one two three four five"));
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(monitor.currentWordCount(), 5);
}

TEST_F(AXMonitorTextReadTest, SameLengthEditsWithoutEventsAreFoundByTheCaretOrTheSafetyNet) {
    Accessible field = startOnField(QStringLiteral("cat hat"));
    // One letter typed over a selected one: same length, the caret moves.
    ax.set(field, Property::value, QStringLiteral("bat hat"));
    ax.set(field, Property::selectedTextRange, TextRange{1, 0});
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(updates, 1);

    // Same length, same caret, not a word from the toolkit: only the safety net sees it.
    ax.set(field, Property::value, QStringLiteral("bat cat"));
    scheduler.advance(1500ms);
    EXPECT_EQ(updates, 1);
    scheduler.advance(AXMonitor::fullReadInterval);
    EXPECT_EQ(updates, 2);
}

TEST_F(AXMonitorTextReadTest, AFailedReadIsTriedAgainOnTheNextTick) {
    readCost = 400ms;  // a call that ran into its time-out
    Accessible field = focusField(editorPid, QStringLiteral("one two three"));
    FakeAccessibility::data(field).copyFailures[Property::value] = AccessError::cannotComplete;
    monitor.start();
    EXPECT_EQ(monitor.currentWordCount(), 0);
    FakeAccessibility::data(field).copyFailures.remove(Property::value);
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(monitor.currentWordCount(), 3);
    EXPECT_EQ(updates, 1);
}

TEST_F(AXMonitorTextReadTest, WithoutACharacterCountEveryTickReadsTheText) {
    Accessible field = focusField(editorPid, QStringLiteral("some words here"));
    FakeAccessibility::data(field).copyFailures[Property::numberOfCharacters] = AccessError::unsupported;
    monitor.start();
    textReads = 0;
    scheduler.advance(AXMonitor::trackInterval * 4);
    EXPECT_EQ(textReads, 4);
    ax.set(field, Property::value, QStringLiteral("some other words"));
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(updates, 1);
}

TEST_F(AXMonitorTextReadTest, ASlowTextIsReadUnpromptedLessOften) {
    readCost = 20ms;
    Accessible field = startOnField(QStringLiteral("a huge document "));
    scheduler.advance(60s);
    // Each unprompted read waits five hundred times its own cost: ten seconds, the longest wait.
    EXPECT_GE(textReads, 5);
    EXPECT_LE(textReads, 6);
    // The first edit after a pause is read on the next tick.
    type(field, QStringLiteral("a huge document grows"));
    const int before = textReads;
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(textReads, before + 1);
    EXPECT_EQ(updates, 1);
    // Typing on, five characters a second: reads a hundred times their cost apart but never more
    // than a second, and the last word typed is counted once the reads catch up.
    QString text = QStringLiteral("a huge document grows");
    for (const QChar c : QStringLiteral(" by four more words")) {
        text += c;
        type(field, text);
        scheduler.advance(200ms);
    }
    EXPECT_LE(textReads, before + 5);
    scheduler.advance(AXMonitor::longestEditReadWait);
    EXPECT_EQ(monitor.currentWordCount(), 8);
}

}  // namespace
