// Where the coordinator puts the icon: on the part of the field its window shows.
#include <gmock/gmock.h>

#include "core/AXMonitor.h"
#include "ui/CoordinatorFixture.h"

using namespace quillet;

namespace {

using CoordinatorIconPlaceTest = test::AppCoordinatorTest;
using test::kEditorPid;

// A text area 2000 points tall in a window 400 points tall (accessibility frames, y down), on the
// 1440x900 laptop; the panel opened from the icon goes beside it.
TEST_F(CoordinatorIconPlaceTest, TheIconAndItsPanelFollowThePartOfTheFieldTheWindowShows) {
    desktop.workspace.windowFrames.insert(kEditorPid, QRectF(0, 100, 800, 400));
    const Accessible field =
        focus(desktop.ax.makeTextField(kEditorPid, "a sentence with words", Rect(100, 200, 600, 2000)));
    ASSERT_TRUE(iconShown());
    EXPECT_EQ(windows->overlay.iconFrame(), Rect(668, 408, 24, 24));

    // The window dragged half below the screen's bottom edge.
    desktop.workspace.windowFrames.insert(kEditorPid, QRectF(0, 700, 800, 400));
    desktop.ax.setFrame(field, Rect(100, 720, 600, 2000));
    desktop.ax.notify(kEditorPid, field, AccessEvent::windowMoved);
    desktop.scheduler.advance(AXMonitor::trackInterval);
    const std::optional<Rect> icon = windows->overlay.iconFrame();
    ASSERT_TRUE(icon);
    EXPECT_EQ(*icon, Rect(668, 8, 24, 24));

    coordinator->presentSuggestions();
    ASSERT_NE(panelController(*coordinator), nullptr);
    expectPanelAt(*icon);
    EXPECT_GE(panelFrame().y(), 0) << "whole on the screen";
}

}  // namespace
