// The focused field of a Wayland session, decided from the events GTK and Qt send under mutter and KWin.
#include <gmock/gmock.h>

#include "platform/fake/FakeAccessibility.h"
#include "platform/linux/wayland/WaylandFocusRule.h"

using namespace quillet;
using Kind = FocusEvent::Kind;

namespace {

constexpr qint32 gedit = 100, qtEditor = 200, self = 999;

struct WaylandFocusRuleTest : ::testing::Test {
    FakeAccessibility ax;
    WaylandFocusRule rule{ax, self};

    Accessible window(qint32 pid) { return ax.makeElement(pid, {{Property::role, QStringLiteral("frame")}}); }
    Accessible button(qint32 pid) {
        return ax.makeElement(pid, {{Property::role, QStringLiteral("push button")}});
    }
    bool send(Kind kind, const Accessible& element, qint32 pid) { return rule.handle({kind, element, pid}); }
};

}  // namespace

TEST_F(WaylandFocusRuleTest, FollowsTheLatestFocusOfTheActiveApplication) {
    const Accessible frame = window(gedit), text = ax.makeTextField(gedit, "Hello"), search = button(gedit);
    EXPECT_TRUE(send(Kind::windowActivated, frame, gedit));
    EXPECT_TRUE(rule.focusedElement().isNull()) << "an active window alone names no field";

    EXPECT_TRUE(send(Kind::focusGained, text, gedit));
    EXPECT_EQ(rule.focusedElement(), text);
    // GTK announces the same focus twice, the second time once its FOCUSED state is set.
    EXPECT_FALSE(send(Kind::focusGained, ax.alias(text), gedit));

    EXPECT_TRUE(send(Kind::focusGained, search, gedit));
    EXPECT_TRUE(rule.focusedElement().isNull()) << "the latest focus is a button, not an older field";
    send(Kind::focusGained, text, gedit);
    EXPECT_EQ(rule.focusedElement(), text);

    // The field turns read-only: asked afresh, it no longer counts.
    ax.set(text, Property::role, QStringLiteral("text"));
    ax.setSettable(text, Property::value, false);
    EXPECT_TRUE(rule.focusedElement().isNull());
}

TEST_F(WaylandFocusRuleTest, EachApplicationKeepsItsFieldWhileAnotherIsInFront) {
    const Accessible geditFrame = window(gedit), geditText = ax.makeTextField(gedit, "a");
    const Accessible qtFrame = window(qtEditor), qtText = ax.makeTextField(qtEditor, "b");

    // A focus reported while the application is behind waits for its window to come to the front.
    send(Kind::windowActivated, geditFrame, gedit);
    EXPECT_FALSE(send(Kind::focusGained, qtText, qtEditor));
    EXPECT_TRUE(rule.focusedElement().isNull());
    EXPECT_TRUE(send(Kind::windowActivated, qtFrame, qtEditor));
    EXPECT_EQ(rule.activePid(), qtEditor);
    EXPECT_EQ(rule.focusedElement(), qtText);

    send(Kind::windowActivated, geditFrame, gedit);
    send(Kind::focusGained, geditText, gedit);
    EXPECT_EQ(rule.focusedElement(), geditText);
    // Qt says nothing about its field when its window comes back; the field it had still counts.
    EXPECT_TRUE(send(Kind::windowActivated, qtFrame, qtEditor));
    EXPECT_EQ(rule.focusedElement(), qtText);
}

TEST_F(WaylandFocusRuleTest, LateEventsOfTheWindowLeftBehindChangeNothing) {
    const Accessible geditFrame = window(gedit), geditText = ax.makeTextField(gedit, "a");
    const Accessible qtFrame = window(qtEditor), qtText = ax.makeTextField(qtEditor, "b");
    send(Kind::windowActivated, geditFrame, gedit);
    send(Kind::focusGained, geditText, gedit);

    // mutter's order: the new window is announced before the old one lets go of the front.
    send(Kind::windowActivated, qtFrame, qtEditor);
    send(Kind::focusGained, qtText, qtEditor);
    EXPECT_FALSE(send(Kind::windowDeactivated, geditFrame, gedit));
    EXPECT_FALSE(send(Kind::focusLost, geditText, gedit));
    EXPECT_EQ(rule.focusedElement(), qtText);

    // A loss for an element that is no longer the application's latest is just as stale.
    const Accessible other = ax.makeTextField(qtEditor, "c");
    send(Kind::focusGained, other, qtEditor);
    EXPECT_FALSE(send(Kind::focusLost, qtText, qtEditor));
    EXPECT_EQ(rule.focusedElement(), other);

    // The window in front letting go leaves no field, until a window comes to the front again.
    EXPECT_TRUE(send(Kind::windowDeactivated, qtFrame, qtEditor));
    EXPECT_EQ(rule.activePid(), 0);
    EXPECT_TRUE(rule.focusedElement().isNull());
    send(Kind::windowActivated, qtFrame, qtEditor);
    EXPECT_EQ(rule.focusedElement(), other);
    EXPECT_TRUE(send(Kind::focusLost, other, qtEditor));
    EXPECT_TRUE(rule.focusedElement().isNull());
}

TEST_F(WaylandFocusRuleTest, WindowsAndApplicationsThatGoAwayTakeTheirFieldWithThem) {
    const Accessible frame = window(gedit), text = ax.makeTextField(gedit, "a");
    send(Kind::windowActivated, frame, gedit);
    send(Kind::focusGained, text, gedit);
    EXPECT_TRUE(send(Kind::elementGone, text, gedit));
    EXPECT_TRUE(rule.focusedElement().isNull());

    send(Kind::focusGained, text, gedit);
    EXPECT_TRUE(send(Kind::elementGone, frame, gedit)) << "the window in front was closed";
    EXPECT_EQ(rule.activePid(), 0);

    send(Kind::windowActivated, frame, gedit);
    EXPECT_EQ(rule.focusedElement(), text);
    EXPECT_TRUE(send(Kind::applicationGone, Accessible(), gedit));
    EXPECT_EQ(rule.activePid(), 0);
    send(Kind::windowActivated, window(gedit), gedit);
    EXPECT_TRUE(rule.focusedElement().isNull()) << "a restarted application starts with no field";

    // A destroyed element that is still the latest answers nothing and is no field.
    const Accessible next = ax.makeTextField(gedit, "b");
    send(Kind::focusGained, next, gedit);
    ax.destroy(next);
    EXPECT_TRUE(rule.focusedElement().isNull());

    send(Kind::focusGained, ax.makeTextField(gedit, "c"), gedit);
    rule.reset();
    EXPECT_EQ(rule.activePid(), 0);
    EXPECT_TRUE(rule.focusedElement().isNull());
}

TEST_F(WaylandFocusRuleTest, OwnWindowsAreNeverAskedAndNeverTakeTheFront) {
    const Accessible frame = window(gedit), text = ax.makeTextField(gedit, "a");
    send(Kind::windowActivated, frame, gedit);
    send(Kind::focusGained, text, gedit);

    const Accessible panel = window(self), panelField = ax.makeTextField(self, "ours");
    const int callsBefore = ax.calls;
    EXPECT_FALSE(send(Kind::windowActivated, panel, self));
    EXPECT_FALSE(send(Kind::focusGained, panelField, self));
    EXPECT_EQ(ax.calls, callsBefore);
    EXPECT_EQ(rule.activePid(), gedit);
    EXPECT_EQ(rule.focusedElement(), text);

    // Our panel took the keyboard: the field's window lets go, and gets its field back on return.
    send(Kind::windowDeactivated, frame, gedit);
    EXPECT_TRUE(rule.focusedElement().isNull());
    send(Kind::windowActivated, frame, gedit);
    EXPECT_EQ(rule.focusedElement(), text);
}
