// The notice after a replacement: its Undo, its close button and its time on screen.
#include <QPushButton>

#include "ui/FloatingPanel.h"
#include "ui/SurfaceTestSupport.h"
#include "ui/ToastController.h"
#include "ui/ToastView.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

class ToastTest : public testing::Test {
protected:
    FakeScheduler scheduler;
    FakeScreens screens;
    FakeWindowHints hints;
    ToastController toasts{scheduler, screens, hints};
};

}  // namespace

TEST_F(ToastTest, LeavesAfterTenSecondsAndANewToastRestartsTheClock) {
    toasts.show(std::nullopt, [] {});
    scheduler.advance(5s);
    toasts.show(std::nullopt, [] {});
    const FloatingPanel* second = toasts.panel();
    scheduler.advance(5s);  // the first toast's ten seconds are over; its timer must not fire
    EXPECT_EQ(toasts.panel(), second);
    scheduler.advance(4999ms);
    EXPECT_NE(toasts.panel(), nullptr);
    scheduler.advance(1ms);
    EXPECT_EQ(toasts.panel(), nullptr);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
    toasts.dismiss();  // nothing shown: nothing happens
}

TEST_F(ToastTest, UndoRunsOnceAndDismissesAtOnce) {
    int undos = 0;
    toasts.show(Rect(100, 440, 300, 40), [&] { ++undos; });
    ToastView* view = toasts.view();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(toasts.panel()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    render(*toasts.panel(), QStringLiteral("toast"));
    view->undoButton()->click();
    EXPECT_EQ(undos, 1);
    EXPECT_EQ(toasts.panel(), nullptr);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
    view->undoButton()->click();  // the view lingers until the event loop deletes it
    EXPECT_EQ(undos, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    toasts.show(Rect(100, 440, 300, 40), [&] { ++undos; });
    toasts.view()->closeButton()->click();
    EXPECT_EQ(toasts.panel(), nullptr);
    EXPECT_EQ(undos, 1) << "the close button does not undo";
}

// An undo that itself shows a notice (the owner's choice) must not have that new toast dismissed by
// the old one's button.
TEST_F(ToastTest, AnUndoThatShowsANewToastKeepsIt) {
    toasts.show(Rect(100, 440, 300, 40), [&] { toasts.show(std::nullopt, [] {}); });
    toasts.view()->undoButton()->click();
    ASSERT_NE(toasts.panel(), nullptr);
    EXPECT_EQ(toasts.panel()->screenFrame(), Rect(1200, 45, 220, 40));
    EXPECT_EQ(scheduler.pendingTimers(), 1u);
}

TEST_F(ToastTest, SpeaksTheLanguageOfTheMomentItIsShown) {
    toasts.show(std::nullopt, [] {});
    const auto english = texts(toasts.panel());
    // The row fits inside the 220 x 40 toast.
    EXPECT_LE(toasts.view()->capsuleRect().width(), 220);
    EXPECT_GT(toasts.view()->capsuleRect().width(), 150);

    LanguageScope language(AppLanguage::sr);
    toasts.show(std::nullopt, [] {});
    EXPECT_EQ(unchanged(english, toasts.panel()), QStringList());
    render(*toasts.panel(), QStringLiteral("toast-sr"));
}
