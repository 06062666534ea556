// Frames of accessibility elements, and the fallbacks when an element has none.
#include <gmock/gmock.h>

#include "platform/linux/atspi/ElementFrame.h"

using namespace quillet;

namespace {

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
