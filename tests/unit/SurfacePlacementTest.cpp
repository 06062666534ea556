// Where the icon, the panel and the notice go on screen.
#include <gmock/gmock.h>

#include "core/SurfacePlacement.h"
#include "platform/fake/FakeScreens.h"

using namespace quillet;
using namespace quillet::SurfacePlacement;

namespace {
const ScreenInfo laptop = FakeScreens::laptop().first();
// A 1920x1080 monitor to the right of the laptop, its bottom edge level with the laptop's, with a
// 40-point panel along its bottom.
const ScreenInfo rightMonitor{Rect(1440, -180, 1920, 1080), Rect(1440, -180, 1920, 1040)};
}  // namespace

TEST(SurfacePlacementTest, IconSitsInsideTheFieldsBottomRightCornerUnclamped) {
    EXPECT_EQ(overlayIconFrame(Rect(100, 20, 300, 40)), Rect(368, 28, 24, 24));
    // A field smaller than the badge: the badge overhangs its left and top edges, and the screen's.
    EXPECT_EQ(overlayIconFrame(Rect(-5, 0, 20, 10)), Rect(-17, -22, 24, 24));
}

// In a one-line entry the corner is where the text ends: the icon goes beside the field instead,
// yet never out of its window or off the screen.
TEST(SurfacePlacementTest, AShortFieldHasTheIconBesideItInsideItsWindowAndScreen) {
    const QList<ScreenInfo> screens{laptop};
    EXPECT_EQ(overlayIconFrame(Rect(100, 352, 300, 48), std::nullopt, screens), Rect(368, 368, 24, 24));
    EXPECT_EQ(overlayIconFrame(Rect(100, 370, 300, 30), Rect(50, 200, 600, 300), screens),
              Rect(404, 373, 24, 24));
    // No room beside it in the window, or on the screen: over the field's right end, else under it.
    EXPECT_EQ(overlayIconFrame(Rect(100, 370, 300, 30), Rect(50, 200, 360, 300), screens),
              Rect(376, 342, 24, 24));
    EXPECT_EQ(overlayIconFrame(Rect(1200, 370, 230, 30), std::nullopt, screens), Rect(1406, 342, 24, 24));
    EXPECT_EQ(overlayIconFrame(Rect(100, 370, 300, 30), Rect(50, 370, 360, 80), screens),
              Rect(376, 404, 24, 24));
    // A window no larger than the field: pulled back inside it.
    EXPECT_EQ(overlayIconFrame(Rect(100, 370, 300, 30), Rect(50, 365, 360, 40), screens),
              Rect(386, 373, 24, 24));
    // A window frame that holds the field not at all is no window of it.
    EXPECT_EQ(overlayIconFrame(Rect(100, 370, 300, 30), Rect(0, 890, 10, 10), screens),
              Rect(404, 373, 24, 24));
}

// A field's frame runs on where its window, or the screen, no longer shows it: the icon stands in
// the corner of the part that is seen.
TEST(SurfacePlacementTest, TheIconStandsOnThePartOfTheFieldItsWindowShows) {
    const QList<ScreenInfo> screens{laptop};
    // A text area of a web page taller than the browser window, its bottom far below the screen.
    const Rect window(100, 70, 1200, 780);
    const Rect textArea(300, 300, 800, 2000);
    EXPECT_EQ(visiblePart(textArea, window, screens), Rect(300, 300, 800, 550));
    EXPECT_EQ(overlayIconFrame(textArea, window, screens), Rect(1068, 818, 24, 24));
    // Where the window's frame is not known, the screen alone cuts it.
    EXPECT_EQ(overlayIconFrame(textArea, std::nullopt, screens), Rect(1068, 868, 24, 24));
    // A frame reported 36 points taller than the window, past its bottom edge.
    EXPECT_EQ(overlayIconFrame(Rect(200, 256, 800, 580), Rect(200, 200, 800, 600), screens),
              Rect(968, 768, 24, 24));
    // A field across two screens: on the one that shows most of it.
    EXPECT_EQ(overlayIconFrame(Rect(1000, 200, 800, 400), std::nullopt, {laptop, rightMonitor}),
              Rect(1408, 568, 24, 24));
}

// An editor's window dragged past each edge of the screen: its text view runs from 70 points below
// the window's top to 30 points above its bottom, as wide as the window.
TEST(SurfacePlacementTest, AWindowPartlyOffTheScreenHasTheIconOnItsPartOnTheScreen) {
    const QList<ScreenInfo> screens{laptop};
    const auto iconFor = [&](double x, double y) {
        return overlayIconFrame(Rect(x, y + 70, 800, 500), Rect(x, y, 800, 600), screens);
    };
    EXPECT_EQ(iconFor(940, 200), Rect(1408, 738, 24, 24)) << "right";
    EXPECT_EQ(iconFor(100, 600), Rect(868, 868, 24, 24)) << "bottom";
    EXPECT_EQ(iconFor(-400, 200), Rect(368, 738, 24, 24)) << "left: its corner is on the screen";
    EXPECT_EQ(iconFor(200, -200), Rect(968, 338, 24, 24)) << "top: its corner is on the screen";
    // Only a sliver of the view left on the screen: the icon beside it, on the screen.
    EXPECT_EQ(iconFor(-780, 200), Rect(0, 508, 24, 24)) << "left";
    EXPECT_EQ(iconFor(200, -530), Rect(976, 44, 24, 24)) << "top, the top bar over the rest";
}

TEST(SurfacePlacementTest, AVisiblePartTooSmallForTheIconHasItBesideItInsideWindowAndScreen) {
    const QList<ScreenInfo> screens{laptop};
    // 20 points of a field at the screen's bottom-right corner: no room around it, so pulled into
    // the screen's corner.
    EXPECT_EQ(overlayIconFrame(Rect(1420, 880, 800, 600), Rect(1420, 880, 800, 600), screens),
              Rect(1416, 876, 24, 24));
    // A field cut by its window to a one-line strip: beside the strip, inside the window.
    EXPECT_EQ(overlayIconFrame(Rect(100, 200, 300, 400), Rect(50, 570, 600, 230), screens),
              Rect(404, 573, 24, 24));
}

// Without a field to stand at, the notice goes where the user looks: at the mouse pointer.
TEST(SurfacePlacementTest, WithoutAnAnchorTheToastStandsAtThePointerOnItsScreen) {
    const QList<ScreenInfo> screens{laptop, rightMonitor};
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(700, 500), screens, laptop), QPointF(590, 444));
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(700, 30), screens, laptop), QPointF(590, 46));
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(1430, 500), screens, laptop), QPointF(1220, 444));
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(1500, 880), screens, laptop), QPointF(1440, 820));
    EXPECT_EQ(toastOrigin(Rect(100, 360, 300, 40), QPointF(700, 500), screens, laptop), QPointF(180, 312));
    EXPECT_EQ(toastOrigin(Rect(0, 25, 1440, 875), QPointF(700, 500), screens, laptop), QPointF(590, 444))
        << "above a whole window is off the screen";
    EXPECT_EQ(toastOrigin(std::nullopt, std::nullopt, screens, laptop), QPointF(1200, 45));
}

TEST(SurfacePlacementTest, ToastGoesAboveTheAnchorOrNearTheTopRightCorner) {
    EXPECT_EQ(toastOrigin(Rect(100, 20, 300, 40), laptop), QPointF(180, -28));
    // Near the top of the screen the toast runs off it; nothing moves it back.
    EXPECT_EQ(toastOrigin(Rect(1200, 0, 240, 30), laptop), QPointF(1220, -48));
    EXPECT_EQ(toastOrigin(std::nullopt, laptop), QPointF(1200, 45));
    EXPECT_EQ(toastOrigin(std::nullopt, rightMonitor), QPointF(3120, -160));
    EXPECT_EQ(toastOrigin(std::nullopt, std::nullopt), QPointF(560, 20));
}

TEST(SurfacePlacementTest, PanelGoesBelowTheAnchorFlipsAboveNearTheBottomAndStaysWholeOnScreen) {
    const QList<ScreenInfo> screens{laptop};
    EXPECT_EQ(suggestionPanelOrigin(Rect(900, 376, 24, 24), screens, laptop), QPointF(524, 406));
    // Bottom edge: 6 points above the anchor instead.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, 776, 24, 24), screens, laptop), QPointF(324, 430));
    // Top edge: an anchor in the top bar puts the panel's top at the visible area's top.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, 5, 24, 10), screens, laptop), QPointF(324, 25));
    // Left and right edges: 8 points inside the visible area.
    EXPECT_EQ(suggestionPanelOrigin(Rect(0, 276, 24, 24), screens, laptop), QPointF(8, 306));
    EXPECT_EQ(suggestionPanelOrigin(Rect(1430, 276, 24, 24), screens, laptop), QPointF(1032, 306));
}

TEST(SurfacePlacementTest, PanelStaysWholeOnScreenBesideAFieldAboutAsTallAsTheScreen) {
    const QList<ScreenInfo> screens{laptop};
    // Nearly as tall as the screen: no room below or above, so the panel sits at the bottom of
    // the visible area over the field, its top well inside the screen.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, 10, 24, 880), screens, laptop), QPointF(324, 560));
    // Taller than the screen, past both edges.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, -50, 300, 1000), screens, laptop), QPointF(600, 560));
    // A screen shorter than the panel keeps its top edge, and a narrower one its left margin.
    const ScreenInfo small{Rect(0, 0, 300, 300), Rect(0, 0, 300, 300)};
    EXPECT_EQ(suggestionPanelOrigin(Rect(100, 176, 24, 24), {small}, small), QPointF(8, 0));
}

TEST(SurfacePlacementTest, PanelUsesTheScreenTheAnchorIsOnElseTheMainScreen) {
    const QList<ScreenInfo> screens{laptop, rightMonitor};
    // On the second screen: its visible area (above its bottom panel) decides the flip and the clamp.
    EXPECT_EQ(suggestionPanelOrigin(Rect(2000, 576, 24, 24), screens, laptop), QPointF(1624, 230));
    EXPECT_EQ(suggestionPanelOrigin(Rect(1450, 276, 24, 24), screens, laptop), QPointF(1448, 306));
    // An anchor across both screens belongs to the first one in the list.
    EXPECT_EQ(suggestionPanelOrigin(Rect(1400, 856, 100, 24), screens, laptop), QPointF(1032, 510));
    // On no screen: pulled inside the main screen's visible area.
    EXPECT_EQ(suggestionPanelOrigin(Rect(5000, -4124, 24, 24), screens, laptop), QPointF(1032, 25));
    // A zero-size anchor (the main screen's centre) intersects nothing, so the main screen is used
    // even when another screen comes first.
    EXPECT_EQ(suggestionPanelOrigin(Rect(720, 450, 0, 0), {rightMonitor, laptop}, laptop), QPointF(320, 456));
    // No screen at all: the provisional origin, unclamped.
    EXPECT_EQ(suggestionPanelOrigin(Rect(5000, 5000, 24, 24), {}, std::nullopt), QPointF(4624, 5030));
}
