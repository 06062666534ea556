// The start-up self check and what it reports.
#include <gmock/gmock.h>

#include "core/SelfCheck.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeScreens.h"

using namespace quillet;
using testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

class SelfCheckTest : public testing::Test {
protected:
    SelfCheckTest() {
        workspace.addApp({42, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")});
        screens.list = {ScreenInfo{Rect(0, 0, 1512, 982), Rect(0, 0, 1512, 950)}};
    }
    QStringList report() {
        QStringList lines;
        SelfCheck::run(
            ax, workspace, screens, [&](const QString& text) { lines += text.split('\n'); }, QString(), {},
            [&](std::chrono::milliseconds pause) { waited += pause; });
        return lines;
    }
    std::chrono::milliseconds waited{0};
    FakeAccessibility ax;
    FakeWorkspace workspace;
    FakeScreens screens;
};

TEST_F(SelfCheckTest, WithoutPermissionTheReportEndsWithTheInstruction) {
    ax.trusted = false;
    screens.list << ScreenInfo{Rect(1512, -100, 1920, 1080), Rect()};
    EXPECT_THAT(
        report(),
        ElementsAre("Quillet doctor", "──────────────",
                    "  ✗ Accessibility permission: NOT granted — enable assistive technologies "
                    "(accessibility) in your desktop settings",
                    "  • Displays", "      primary 1512×982 @ (0,0)",
                    "      secondary 1920×1080 @ (1512,-100)", "",
                    "Grant the permission, then run again. The app must be restarted after granting."));

    // Without a session bus the report says so, after the kind of session.
    QStringList lines;
    SelfCheck::run(
        ax, workspace, screens, [&](const QString& text) { lines += text; }, "X11", {}, {}, false);
    EXPECT_THAT(lines.mid(2, 2), ElementsAre("  • Session: X11",
                                             "  ✗ Session bus: none — DBUS_SESSION_BUS_ADDRESS is not "
                                             "set; start Quillet from within the desktop session"));
}

TEST_F(SelfCheckTest, PasswordFieldOffScreenStillShowsItsFrames) {
    Accessible field = ax.makeTextField(42, QString(), Rect(5000, 200, 300, 40));
    ax.set(field, Property::role, QStringLiteral("AXSecureTextField"));
    ax.setFocused(field);
    const QStringList lines = report();
    EXPECT_THAT(lines, testing::Contains("  ✗ Not a secure (password) field"));
    EXPECT_THAT(lines, testing::Contains("  ✓ Word count: 0"));
    EXPECT_THAT(lines, testing::Contains("  ✗ Overlay position lands on a visible screen"));
}

TEST_F(SelfCheckTest, AButtonOrNothingEndsEarly) {
    ax.setFocused(ax.makeElement(999, {{Property::role, QStringLiteral("push button")}}));
    QStringList lines = report();
    EXPECT_THAT(lines.mid(5), ElementsAre("  ✓ Focused element: push button in ?",
                                          "  ✗ Recognized as editable text field", "", "Done."));

    ax.setFocused(Accessible());
    lines = report();
    EXPECT_THAT(lines.mid(5),
                ElementsAre("  ✗ Focused element: none (err 6). Click into a text field, then run again."));
}

TEST(SelfCheckFormatTest, NumbersAreTruncatedTowardZero) {
    EXPECT_EQ(SelfCheck::rect(Rect(99.9, -0.5, 300.99, -12.7)), QStringLiteral("(99,0) 300×-12"));
    EXPECT_EQ(SelfCheck::rect(Rect(-1e12, 0, 1, 1)), QStringLiteral("(-1000000000000,0) 1×1"));
    EXPECT_EQ(SelfCheck::line(std::nullopt, QStringLiteral("Displays")), QStringLiteral("  • Displays"));
}

TEST_F(SelfCheckTest, ASlowWindowIsAskedAgainBeforeTheReportSaysNone) {
    const Accessible field = ax.makeTextField(42, QStringLiteral("found on the third read"));
    int reads = 0;
    ax.onCopy = [&](const Accessible& element, Property attribute) {
        if (element == ax.root() && attribute == Property::focusedElement && ++reads == 3)
            ax.setFocused(field);
    };
    EXPECT_THAT(report(), testing::Contains("  ✓ Focused element: AXTextField in Mousepad"));

    ax.setFocused(Accessible());
    reads = 100;
    waited = 0ms;
    const QStringList lines = report();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const QString& l) { return l.contains("✗ Focused element: none"); }));
    EXPECT_EQ(reads, 100 + SelfCheck::focusReadAttempts);
    EXPECT_EQ(waited, (SelfCheck::focusReadAttempts - 1) * SelfCheck::focusReadPause);
}

// A browser shows its page only once asked, a moment later: the report asks the application in
// front before it looks, and waits for the page as long as that takes.
TEST_F(SelfCheckTest, TheApplicationInFrontIsAskedForItsContentsBeforeTheLook) {
    workspace.activeApp = RunningApplication{42, QStringLiteral("chromium"), QStringLiteral("Chromium")};
    const Accessible field = ax.makeTextField(42, QStringLiteral("a text area of a page"));
    std::optional<std::chrono::milliseconds> askedAt;
    ax.onSet = [&](const Accessible& element, Property attribute, const PropertyValue&) {
        if (attribute == Property::manualAccessibility && element == ax.application(42))
            askedAt = waited;
    };
    ax.onCopy = [&](const Accessible&, Property attribute) {
        if (attribute == Property::focusedElement && askedAt && waited - *askedAt >= 200ms)
            ax.setFocused(field);
    };
    EXPECT_THAT(report(), testing::Contains("  ✓ Focused element: AXTextField in Mousepad"));
    EXPECT_EQ(askedAt, 0ms);
}

}  // namespace
