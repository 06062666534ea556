// Where the icon, the panel and the notice go on screen.
#include <gmock/gmock.h>

#include "base/ScreenSpace.h"
#include "core/SurfacePlacement.h"
#include "platform/fake/FakeScreens.h"

using namespace quillet;
using namespace quillet::SurfacePlacement;

namespace {
const ScreenInfo laptop = FakeScreens::laptop().first();
// A 1920x1080 monitor to the right of the laptop, its bottom edge level with the laptop's, with a
// 40-point panel along its bottom.
const ScreenInfo rightMonitor{Rect(1440, 0, 1920, 1080), Rect(1440, 40, 1920, 1040)};
}  // namespace

TEST(SurfacePlacementTest, IconSitsInsideTheFieldsBottomRightCornerUnclamped) {
    EXPECT_EQ(overlayIconFrame(Rect(100, 840, 300, 40)), Rect(368, 848, 24, 24));
    // A field smaller than the badge: the badge overhangs its left and top edges, and the screen's.
    EXPECT_EQ(overlayIconFrame(Rect(-5, 890, 20, 10)), Rect(-17, 898, 24, 24));
}

// In a one-line entry the corner is where the text ends: the icon goes beside the field instead,
// yet never out of its window or off the screen.
TEST(SurfacePlacementTest, AShortFieldHasTheIconBesideItInsideItsWindowAndScreen) {
    const QList<ScreenInfo> screens{laptop};
    EXPECT_EQ(overlayIconFrame(Rect(100, 500, 300, 48), std::nullopt, screens), Rect(368, 508, 24, 24));
    EXPECT_EQ(overlayIconFrame(Rect(100, 500, 300, 30), Rect(50, 400, 600, 300), screens),
              Rect(404, 503, 24, 24));
    // No room beside it in the window, or on the screen: over the field's right end, else under it.
    EXPECT_EQ(overlayIconFrame(Rect(100, 500, 300, 30), Rect(50, 400, 360, 300), screens),
              Rect(376, 534, 24, 24));
    EXPECT_EQ(overlayIconFrame(Rect(1200, 500, 230, 30), std::nullopt, screens), Rect(1406, 534, 24, 24));
    EXPECT_EQ(overlayIconFrame(Rect(100, 500, 300, 30), Rect(50, 450, 360, 80), screens),
              Rect(376, 472, 24, 24));
    // A window no larger than the field: pulled back inside it.
    EXPECT_EQ(overlayIconFrame(Rect(100, 500, 300, 30), Rect(50, 495, 360, 40), screens),
              Rect(386, 503, 24, 24));
    // A window frame that holds the field not at all is no window of it.
    EXPECT_EQ(overlayIconFrame(Rect(100, 500, 300, 30), Rect(0, 0, 10, 10), screens), Rect(404, 503, 24, 24));
}

// A field's frame runs on where its window, or the screen, no longer shows it: the icon stands in
// the corner of the part that is seen.
TEST(SurfacePlacementTest, TheIconStandsOnThePartOfTheFieldItsWindowShows) {
    const QList<ScreenInfo> screens{laptop};
    // A text area of a web page taller than the browser window, its bottom far below the screen.
    const Rect window(100, 50, 1200, 780);
    const Rect textArea(300, -1400, 800, 2000);
    EXPECT_EQ(visiblePart(textArea, window, screens), Rect(300, 50, 800, 550));
    EXPECT_EQ(overlayIconFrame(textArea, window, screens), Rect(1068, 58, 24, 24));
    // Where the window's frame is not known, the screen alone cuts it.
    EXPECT_EQ(overlayIconFrame(textArea, std::nullopt, screens), Rect(1068, 8, 24, 24));
    // A frame reported 36 points taller than the window, past its bottom edge.
    EXPECT_EQ(overlayIconFrame(Rect(200, 64, 800, 580), Rect(200, 100, 800, 600), screens),
              Rect(968, 108, 24, 24));
    // A field across two screens: on the one that shows most of it.
    EXPECT_EQ(overlayIconFrame(Rect(1000, 300, 800, 400), std::nullopt, {laptop, rightMonitor}),
              Rect(1408, 308, 24, 24));
}

// An editor's window dragged past each edge of the screen: its text view 30 points below the
// window's top, as wide as the window.
TEST(SurfacePlacementTest, AWindowPartlyOffTheScreenHasTheIconOnItsPartOnTheScreen) {
    const QList<ScreenInfo> screens{laptop};
    const auto iconFor = [&](double x, double y) {
        return overlayIconFrame(Rect(x, y + 30, 800, 500), Rect(x, y, 800, 600), screens);
    };
    EXPECT_EQ(iconFor(940, 100), Rect(1408, 138, 24, 24)) << "right";
    EXPECT_EQ(iconFor(100, -300), Rect(868, 8, 24, 24)) << "bottom";
    EXPECT_EQ(iconFor(-400, 100), Rect(368, 138, 24, 24)) << "left: its corner is on the screen";
    EXPECT_EQ(iconFor(200, 500), Rect(968, 538, 24, 24)) << "top: its corner is on the screen";
    // Only a sliver of the view left on the screen: the icon beside it, on the screen.
    EXPECT_EQ(iconFor(-780, 100), Rect(0, 368, 24, 24)) << "left";
    EXPECT_EQ(iconFor(200, 830), Rect(976, 832, 24, 24)) << "top, the top bar over the rest";
}

TEST(SurfacePlacementTest, AVisiblePartTooSmallForTheIconHasItBesideItInsideWindowAndScreen) {
    const QList<ScreenInfo> screens{laptop};
    // 20 points of a field at the screen's bottom-right corner: no room around it, so pulled into
    // the screen's corner.
    EXPECT_EQ(overlayIconFrame(Rect(1420, -580, 800, 600), Rect(1420, -580, 800, 600), screens),
              Rect(1416, 0, 24, 24));
    // A field cut by its window to a one-line strip: beside the strip, inside the window.
    EXPECT_EQ(overlayIconFrame(Rect(100, 300, 300, 400), Rect(50, 100, 600, 230), screens),
              Rect(404, 303, 24, 24));
}

// Without a field to stand at, the notice goes where the user looks: at the mouse pointer.
TEST(SurfacePlacementTest, WithoutAnAnchorTheToastStandsAtThePointerOnItsScreen) {
    const QList<ScreenInfo> screens{laptop, rightMonitor};
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(700, 400), screens, laptop), QPointF(590, 416));
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(700, 870), screens, laptop), QPointF(590, 814));
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(1430, 400), screens, laptop), QPointF(1220, 416));
    EXPECT_EQ(toastOrigin(std::nullopt, QPointF(1500, 20), screens, laptop), QPointF(1440, 40));
    EXPECT_EQ(toastOrigin(Rect(100, 500, 300, 40), QPointF(700, 400), screens, laptop), QPointF(180, 548));
    EXPECT_EQ(toastOrigin(Rect(0, 0, 1440, 875), QPointF(700, 400), screens, laptop), QPointF(590, 416))
        << "above a whole window is off the screen";
    EXPECT_EQ(toastOrigin(std::nullopt, std::nullopt, screens, laptop), QPointF(1200, 815));
}

TEST(SurfacePlacementTest, ToastGoesAboveTheAnchorOrNearTheTopRightCorner) {
    EXPECT_EQ(toastOrigin(Rect(100, 840, 300, 40), laptop), QPointF(180, 888));
    // Near the top of the screen the toast runs off it; nothing moves it back.
    EXPECT_EQ(toastOrigin(Rect(1200, 870, 240, 30), laptop), QPointF(1220, 908));
    EXPECT_EQ(toastOrigin(std::nullopt, laptop), QPointF(1200, 815));
    EXPECT_EQ(toastOrigin(std::nullopt, rightMonitor), QPointF(3120, 1020));
    EXPECT_EQ(toastOrigin(std::nullopt, std::nullopt), QPointF(560, 540));
}

TEST(SurfacePlacementTest, PanelGoesBelowTheAnchorFlipsAboveNearTheBottomAndStaysWholeOnScreen) {
    const QList<ScreenInfo> screens{laptop};
    EXPECT_EQ(suggestionPanelOrigin(Rect(900, 500, 24, 24), screens, laptop), QPointF(524, 154));
    // Bottom edge: 6 points above the anchor instead.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, 100, 24, 24), screens, laptop), QPointF(324, 130));
    // Top edge: an anchor in the top bar puts the panel's top at the visible area's top.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, 885, 24, 10), screens, laptop), QPointF(324, 535));
    // Left and right edges: 8 points inside the visible area.
    EXPECT_EQ(suggestionPanelOrigin(Rect(0, 600, 24, 24), screens, laptop), QPointF(8, 254));
    EXPECT_EQ(suggestionPanelOrigin(Rect(1430, 600, 24, 24), screens, laptop), QPointF(1032, 254));
}

TEST(SurfacePlacementTest, PanelStaysWholeOnScreenBesideAFieldAboutAsTallAsTheScreen) {
    const QList<ScreenInfo> screens{laptop};
    // Nearly as tall as the screen: no room below or above, so the panel sits at the bottom of
    // the visible area over the field, its top well inside the screen.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, 10, 24, 880), screens, laptop), QPointF(324, 0));
    // Taller than the screen, past both edges.
    EXPECT_EQ(suggestionPanelOrigin(Rect(700, -50, 300, 1000), screens, laptop), QPointF(600, 0));
    // A screen shorter than the panel keeps its top edge, and a narrower one its left margin.
    const ScreenInfo small{Rect(0, 0, 300, 300), Rect(0, 0, 300, 300)};
    EXPECT_EQ(suggestionPanelOrigin(Rect(100, 100, 24, 24), {small}, small), QPointF(8, -40));
}

TEST(SurfacePlacementTest, PanelUsesTheScreenTheAnchorIsOnElseTheMainScreen) {
    const QList<ScreenInfo> screens{laptop, rightMonitor};
    // On the second screen: its visible area (above its bottom panel) decides the flip and the clamp.
    EXPECT_EQ(suggestionPanelOrigin(Rect(2000, 300, 24, 24), screens, laptop), QPointF(1624, 330));
    EXPECT_EQ(suggestionPanelOrigin(Rect(1450, 600, 24, 24), screens, laptop), QPointF(1448, 254));
    // An anchor across both screens belongs to the first one in the list.
    EXPECT_EQ(suggestionPanelOrigin(Rect(1400, 20, 100, 24), screens, laptop), QPointF(1032, 50));
    // On no screen: pulled inside the main screen's visible area.
    EXPECT_EQ(suggestionPanelOrigin(Rect(5000, 5000, 24, 24), screens, laptop), QPointF(1032, 535));
    // A zero-size anchor (the main screen's centre) intersects nothing, so the main screen is used
    // even when another screen comes first.
    EXPECT_EQ(suggestionPanelOrigin(Rect(720, 450, 0, 0), {rightMonitor, laptop}, laptop), QPointF(320, 104));
    // No screen at all: the provisional origin, unclamped.
    EXPECT_EQ(suggestionPanelOrigin(Rect(5000, 5000, 24, 24), {}, std::nullopt), QPointF(4624, 4654));
}

TEST(ScreenSpaceTest, ConvertsScreenFramesToGlobalCoordinatesOnTwoScreens) {
    // The laptop is primary at the global origin; the monitor to its right is bottom-aligned with
    // it, so in global coordinates (y down) its top is 180 points above the laptop's.
    const QRectF primary(0, 0, 1440, 900);
    EXPECT_EQ(ScreenSpace::toGlobal(laptop.frame, primary), QRectF(0, 0, 1440, 900));
    EXPECT_EQ(ScreenSpace::toGlobal(rightMonitor.frame, primary), QRectF(1440, -180, 1920, 1080));
    EXPECT_EQ(ScreenSpace::toGlobal(Rect(368, 848, 24, 24), primary), QRectF(368, 28, 24, 24));
    EXPECT_EQ(ScreenSpace::toGlobal(Rect(1624, 330, 400, 340), primary), QRectF(1624, 230, 400, 340));
    // A field on the monitor above the laptop's top edge has a negative global y.
    EXPECT_EQ(ScreenSpace::toGlobal(Rect(2000, 1000, 300, 40), primary), QRectF(2000, -140, 300, 40));

    // The primary screen need not sit at the global origin: here the monitor is left of it.
    const QRectF shifted(1920, 180, 1440, 900);
    EXPECT_EQ(ScreenSpace::toGlobal(laptop.frame, shifted), shifted);
    EXPECT_EQ(ScreenSpace::toGlobal(Rect(-1920, 0, 1920, 1080), shifted), QRectF(0, 0, 1920, 1080));

    for (const QRectF& p : {primary, shifted}) {
        for (const Rect& r : {Rect(368, 848, 24, 24), Rect(-1920, 0, 1920, 1080), Rect(1.5, -3.25, 7, 0)})
            EXPECT_EQ(ScreenSpace::fromGlobal(ScreenSpace::toGlobal(r, p), p), r);
    }
}
