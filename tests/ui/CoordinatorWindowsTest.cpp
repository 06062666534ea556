// The coordinator's widgets: where the icon goes (on the part of the field its window shows), and
// the panel built ahead of the click.
#include <gmock/gmock.h>

#include <QApplication>
#include <QPalette>
#include <QPointer>

#include "core/AXMonitor.h"
#include "core/SuggestionViewModel.h"
#include "ui/CoordinatorFixture.h"

using namespace quillet;

namespace {

using CoordinatorWindowsTest = test::AppCoordinatorTest;
using test::kEditorPid;

// A text area 2000 points tall in a window 400 points tall (accessibility frames, y down), on the
// 1440x900 laptop; the panel opened from the icon goes beside it.
TEST_F(CoordinatorWindowsTest, TheIconAndItsPanelFollowThePartOfTheFieldTheWindowShows) {
    desktop.workspace.windowFrames.insert(kEditorPid, QRectF(0, 100, 800, 400));
    const Accessible field =
        focus(desktop.ax.makeTextField(kEditorPid, "a sentence with words", Rect(100, 200, 600, 2000)));
    ASSERT_TRUE(iconShown());
    EXPECT_EQ(windows->overlay.iconFrame(), Rect(668, 468, 24, 24));

    // The window dragged half below the screen's bottom edge.
    desktop.workspace.windowFrames.insert(kEditorPid, QRectF(0, 700, 800, 400));
    desktop.ax.setFrame(field, Rect(100, 720, 600, 2000));
    desktop.ax.notify(kEditorPid, field, AccessEvent::windowMoved);
    desktop.scheduler.advance(AXMonitor::trackInterval);
    const std::optional<Rect> icon = windows->overlay.iconFrame();
    ASSERT_TRUE(icon);
    EXPECT_EQ(*icon, Rect(668, 868, 24, 24));

    coordinator->presentSuggestions();
    ASSERT_NE(panelController(*coordinator), nullptr);
    expectPanelAt(*icon);
    EXPECT_LE(maxY(panelFrame()), maxY(desktop.screens.list.first().visibleFrame)) << "whole on the screen";
}

// The primary screen to the right of a taller one: the icon's window goes where the field is, in
// the same coordinates the accessibility bus gives it, not shifted by the primary screen's place.
TEST_F(CoordinatorWindowsTest, TheIconLandsOnTheFieldWhenThePrimaryScreenIsNotAtTheOrigin) {
    desktop.screens.list = {ScreenInfo{Rect(1920, 0, 1440, 900), Rect(1920, 25, 1440, 875)},
                            ScreenInfo{Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080)}};
    focus(desktop.ax.makeTextField(kEditorPid, "a sentence with words", Rect(2000, 300, 600, 200)));
    ASSERT_TRUE(iconShown());
    EXPECT_EQ(QRectF(windows->overlay.panel()->geometry()), Rect(2568, 468, 24, 24));
    focus(desktop.ax.makeTextField(kEditorPid, "another sentence with words", Rect(100, 700, 600, 200)));
    EXPECT_EQ(QRectF(windows->overlay.panel()->geometry()), Rect(668, 868, 24, 24)) << "the other screen";
}

// A click finds its panel built: the next one is made a moment after the start, or after a panel
// went away, and never while one is open.
TEST_F(CoordinatorWindowsTest, TheNextPanelIsBuiltAheadWhileNoneIsOpen) {
    const auto waiting = [] {
        QList<QWidget*> panels;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<KeyboardPanel*>(w) && !w->isVisible())
                panels << w;
        return panels;
    };
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const Accessible field = focusField("a sentence with words");
    desktop.scheduler.advance(AppCoordinator::sparePanelDelay);
    ASSERT_EQ(waiting().size(), 1);
    QWidget* prepared = waiting().front();

    // The panel is on its way to the screen while the field is read; a request that does not go
    // ahead (the text gone meanwhile) takes it away again without having taken the keyboard.
    bool shownWhenRead = false;
    desktop.ax.onCopy = [&](const Accessible& element, Property attribute) {
        if (element == field && attribute == Property::value)
            shownWhenRead = prepared->isVisible();
    };
    desktop.ax.set(field, Property::value, QStringLiteral(" "));
    coordinator->presentSuggestions();
    EXPECT_TRUE(shownWhenRead);
    EXPECT_EQ(desktop.beep.count, 1);
    EXPECT_EQ(panelController(*coordinator), nullptr);
    EXPECT_EQ(waiting(), QList<QWidget*>{prepared}) << "hidden and ready for the next request";
    EXPECT_EQ(desktop.windowHints.keyboardRequests, 0);

    desktop.ax.set(field, Property::value, QStringLiteral("a sentence with words"));
    shownWhenRead = false;
    coordinator->presentSuggestions();
    desktop.ax.onCopy = nullptr;
    EXPECT_TRUE(shownWhenRead);
    ASSERT_NE(panelController(*coordinator), nullptr);
    EXPECT_EQ(panelController(*coordinator)->panel(), prepared);
    EXPECT_TRUE(prepared->isVisible());
    EXPECT_EQ(desktop.windowHints.keyboardRequests, 1);
    EXPECT_EQ(openViewModel()->originalText(), "a sentence with words");
    desktop.scheduler.advance(10 * AppCoordinator::sparePanelDelay);
    EXPECT_TRUE(waiting().isEmpty()) << "nothing is built while the answers are being drawn";

    coordinator->closeSuggestions();
    // The controller goes first, and its panel after it.
    for (int i = 0; i < 2; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    desktop.scheduler.advance(AppCoordinator::sparePanelDelay);
    EXPECT_EQ(waiting().size(), 1);
    // The one built ahead serves the hotkey as well, for another text.
    prepared = waiting().front();
    focusField("another field with its own words");
    coordinator->hotkeyTriggered();
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->originalText(), "another field with its own words");
    EXPECT_EQ(panelController(*coordinator)->panel(), prepared);

    // After a switch to the dark look the one built in the light look is not used.
    coordinator->closeSuggestions();
    for (int i = 0; i < 2; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    desktop.scheduler.advance(AppCoordinator::sparePanelDelay);
    ASSERT_EQ(waiting().size(), 1);
    const QPointer<QWidget> drawnLight = waiting().front();
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, Qt::black);
    QApplication::setPalette(dark);
    coordinator->presentSuggestions();
    ASSERT_NE(panelController(*coordinator), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(drawnLight.isNull()) << "the one drawn in the light look is dropped";
    EXPECT_TRUE(panelController(*coordinator)->panel()->isVisible());
    QApplication::setPalette(light);
}

}  // namespace
