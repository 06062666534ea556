// Where a field lies on screen: the frames accessibility elements give and the fallbacks when an
// element has none, and the compositor's window rectangles with the toolkit's window-relative
// extents, as measured in GNOME Shell 43, KWin 5.27 and on X11.
#include <gmock/gmock.h>

#include "platform/linux/atspi/ElementFrame.h"
#include "platform/linux/shared/ScreenPosition.h"

using namespace quillet;
using ScreenPosition::WindowRects;

namespace {

struct Measured {
    const char* what;
    WindowRects window;
    QSizeF topLevel;
    Rect field;     // window-relative, as the toolkit answers
    Rect onScreen;  // where the field is, as a screenshot shows it
};

TEST(ScreenPositionTest, EachToolkitsFieldLandsWhereTheScreenShowsIt) {
    const Measured cases[] = {
        {"gedit (GTK 3): the buffer, client-side shadows and all",
         {Rect(0, 32, 900, 747), Rect(-26, 9, 952, 799)},
         QSizeF(952, 799),
         Rect(26, 70, 900, 672),
         Rect(0, 79, 900, 672)},
        {"gnome-text-editor (GTK 4): the frame, shadows left out",
         {Rect(289, 114, 700, 520), Rect(228, 59, 822, 642)},
         QSizeF(700, 520),
         Rect(0, 47, 700, 473),
         Rect(289, 161, 700, 473)},
        {"Qt 6 on GNOME, drawing its own title bar inside the frame",
         {Rect(316, 143, 646, 433), Rect(316, 143, 646, 433)},
         QSizeF(640, 400),
         Rect(11, 11, 618, 378),
         Rect(330, 184, 618, 378)},
        {"Qt 6 on KWin, the title bar drawn by KWin: the buffer",
         {Rect(300, 100, 640, 430), Rect(300, 130, 640, 400)},
         QSizeF(640, 400),
         Rect(11, 11, 618, 378),
         Rect(311, 141, 618, 378)},
        {"GTK 4 on X11 without a compositor: an even invisible border",
         {Rect(740, 0, 700, 520), Rect(740, 0, 700, 520)},
         QSizeF(690, 510),
         Rect(0, 47, 690, 463),
         Rect(745, 52, 690, 463)},
        {"a Qt 5 dialog on X11 in openbox's frame: the client window",
         {Rect(510, 310, 402, 222), Rect(511, 330, 400, 200)},
         QSizeF(400, 200),
         Rect(10, 150, 380, 30),
         Rect(521, 480, 380, 30)},
        {"a fractional scale rounding a size by a point",
         {Rect(289, 114, 700, 520), Rect(228, 59, 822, 642)},
         QSizeF(699.5, 520.75),
         Rect(0, 47, 700, 473),
         Rect(289, 161, 700, 473)},
    };
    for (const Measured& c : cases) {
        const std::optional<Rect> frame = ScreenPosition::of(c.window, c.topLevel, c.field);
        ASSERT_TRUE(frame) << c.what;
        EXPECT_NEAR(frame->x(), c.onScreen.x(), 2) << c.what;
        EXPECT_NEAR(frame->y(), c.onScreen.y(), 2) << c.what;
        EXPECT_EQ(frame->size(), c.onScreen.size()) << c.what;
    }
}

TEST(ScreenPositionTest, ASizeThatFitsNoRectangleGivesNoPosition) {
    const WindowRects gtk4{Rect(289, 114, 700, 520), Rect(228, 59, 822, 642)};
    EXPECT_EQ(ScreenPosition::of(gtk4, QSizeF(760, 600), Rect(0, 0, 10, 10)), std::nullopt)
        << "larger than the frame, yet not the buffer";
    EXPECT_EQ(ScreenPosition::of(gtk4, QSizeF(0, 0), Rect(0, 0, 10, 10)), std::nullopt) << "no size at all";
    EXPECT_EQ(ScreenPosition::windowOrigin(gtk4, QSizeF(600, 519)), std::nullopt)
        << "a bar below the contents thinner than the borders is no title bar";
}

const QPointF gtk4Window(740, 60);

TEST(ElementFrameTest, WhatCountsAsARealRectangle) {
    EXPECT_TRUE(ElementFrame::isReal(Rect(-200, -30, 10, 10))) << "left of and above the primary screen";
    EXPECT_FALSE(ElementFrame::isReal(Rect(-1, -1, -1, -1))) << "Firefox before its window moved";
    EXPECT_FALSE(ElementFrame::isReal(Rect(0, 0, 0, 0))) << "a KDE view just after start";
    EXPECT_FALSE(ElementFrame::isReal(Rect(-2147483648.0, -2147483648.0, 1, 1))) << "GTK's undrawn widget";
}

TEST(ElementFrameTest, WindowRelativeAnswersAreToldFromTheWindowItself) {
    // GTK 4: the window's screen answer is its window answer, at (0,0), while X11 has it elsewhere.
    EXPECT_EQ(ElementFrame::answersWindowRelative(Rect(0, 0, 690, 510), Rect(0, 0, 690, 510), gtk4Window),
              true);
    // GTK 3 and Qt answer true screen numbers.
    EXPECT_EQ(ElementFrame::answersWindowRelative(Rect(740, 60, 690, 510), Rect(0, 0, 690, 510), gtk4Window),
              false);
    // A Qt 5 dialog answers screen numbers for both; they lie where X11 has the window.
    EXPECT_EQ(ElementFrame::answersWindowRelative(Rect(510, 310, 400, 200), Rect(510, 310, 400, 200),
                                                  QPointF(511, 330)),
              false);
    // A window at the origin reads the same either way: nothing can be told, nothing needs mending.
    EXPECT_EQ(ElementFrame::answersWindowRelative(Rect(0, 0, 690, 510), Rect(0, 0, 690, 510), QPointF(0, 20)),
              std::nullopt);
    EXPECT_EQ(ElementFrame::answersWindowRelative(Rect(0, 0, 690, 510), std::nullopt, gtk4Window),
              std::nullopt);
    EXPECT_EQ(ElementFrame::answersWindowRelative(Rect(0, 0, 690, 510), Rect(0, 0, 690, 510), std::nullopt),
              std::nullopt);
}

TEST(ElementFrameTest, WindowRelativeExtentsAreMovedByTheWindowOrigin) {
    int textAsked = 0;
    const auto text = [&]() -> std::optional<Rect> {
        ++textAsked;
        return Rect(5, 5, 50, 20);
    };
    EXPECT_EQ(ElementFrame::resolve(Rect(0, 47, 690, 463), true, gtk4Window, text), Rect(740, 107, 690, 463));
    EXPECT_EQ(ElementFrame::resolve(Rect(740, 107, 690, 463), false, gtk4Window, text),
              Rect(740, 107, 690, 463));
    EXPECT_EQ(textAsked, 0) << "the text is asked only when the element has no extents";
}

TEST(ElementFrameTest, InvalidExtentsFallBackToTheTextThenToNothing) {
    const auto text = []() -> std::optional<Rect> { return Rect(410, 320, 380, 60); };
    EXPECT_EQ(ElementFrame::resolve(Rect(-1, -1, -1, -1), false, std::nullopt, text),
              Rect(410, 320, 380, 60));
    EXPECT_EQ(ElementFrame::resolve(std::nullopt, false, std::nullopt, text), Rect(410, 320, 380, 60));
    const auto noText = []() -> std::optional<Rect> { return Rect(-1, -1, -1, -1); };
    EXPECT_EQ(ElementFrame::resolve(Rect(0, 0, 0, 0), false, std::nullopt, noText), std::nullopt);
    EXPECT_EQ(ElementFrame::resolve(Rect(0, 0, 0, 0), false, std::nullopt, {}), std::nullopt);
}

TEST(ElementFrameTest, TheContentsOfAWindowThatDrawsItsOwnFrameStartInsideItsBorder) {
    // GTK 4 without a compositor: a 5-point invisible border on every side, declared nowhere.
    EXPECT_EQ(ElementFrame::contentOrigin(Rect(740, 0, 700, 520), Rect(0, 0, 690, 510)), QPointF(745, 5));
    EXPECT_EQ(ElementFrame::contentOrigin(Rect(740, 0, 700, 520), Rect(0, 0, 700, 520)), QPointF(740, 0));
    EXPECT_EQ(ElementFrame::contentOrigin(Rect(740, 0, 700, 520), std::nullopt), QPointF(740, 0));
    EXPECT_EQ(ElementFrame::contentOrigin(Rect(740, 0, 700, 520), Rect(0, 0, 200, 100)), QPointF(740, 0))
        << "a window answer far from X11's size says nothing about a border";
}

}  // namespace
