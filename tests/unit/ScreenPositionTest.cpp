// Where a field lies on screen from the compositor's window rectangles and the toolkit's
// window-relative extents, with the rectangles measured in GNOME Shell 43, KWin 5.27 and on X11.
#include <gmock/gmock.h>

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

}  // namespace
