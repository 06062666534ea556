// The setup window as a person uses it: permission, key and sample field.
#include "WindowTestFixture.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "ui/OnboardingView.h"

using namespace quillet;
using namespace quillet::test;
using testing::ElementsAre;

namespace {

class OnboardingViewTest : public WindowTest {
protected:
    // Shown, as a person sees it, but never mapped on a screen.
    std::unique_ptr<OnboardingView> makeView() {
        auto view = std::make_unique<OnboardingView>(store, accessibility, scheduler, checker.validator(),
                                                     [this] { ++finished; });
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->show();
        return view;
    }
    static QPushButton* forward(QWidget* root) { return child<QPushButton>(root, "forwardButton"); }
    static QPushButton* back(QWidget* root) { return child<QPushButton>(root, "backButton"); }
    static QString permissionStatus(QWidget* root) { return child<QLabel>(root, "permissionStatus")->text(); }
    static QString keyStatusText(QWidget* root) { return root->findChild<KeyStatusView*>()->text(); }
    void tick() { scheduler.advance(OnboardingView::permissionPollInterval); }

    int finished = 0;
};

TEST_F(OnboardingViewTest, PermissionStepWaitsForTheSwitchAndSeesItWithinASecond) {
    auto view = makeView();
    EXPECT_EQ(scheduler.pendingTimers(), 1u);
    EXPECT_EQ(view->step(), OnboardingView::permission);
    EXPECT_EQ(permissionStatus(view.get()), "Waiting for permission…");
    EXPECT_FALSE(forward(view.get())->isEnabled());
    EXPECT_TRUE(back(view.get())->isHidden());

    QTest::mouseClick(child<QPushButton>(view.get(), "requestPermissionButton"), Qt::LeftButton);
    EXPECT_EQ(accessibility.trustRequests, 1);
    EXPECT_FALSE(view->axTrusted()) << "the answer comes through the poll";

    tick();
    EXPECT_FALSE(forward(view.get())->isEnabled()) << "no time-out, no other message";
    accessibility.trusted = true;
    scheduler.advance(std::chrono::milliseconds(999));
    EXPECT_FALSE(view->axTrusted());
    scheduler.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(view->axTrusted());
    EXPECT_EQ(permissionStatus(view.get()), "Permission granted");
    EXPECT_TRUE(forward(view.get())->isEnabled());

    auto again = makeView();
    EXPECT_EQ(permissionStatus(again.get()), "Permission granted") << "already on: at once";
    EXPECT_TRUE(forward(again.get())->isEnabled());
    view.reset();
    again.reset();
    EXPECT_EQ(scheduler.pendingTimers(), 0u) << "the poll ends with the view";
}

TEST_F(OnboardingViewTest, KeyStepGoesOnOnceAnyKeyIsStoredWhateverTheCheckSays) {
    accessibility.trusted = true;
    auto view = makeView();
    view->goForward();
    ASSERT_EQ(view->step(), OnboardingView::apiKey);
    EXPECT_FALSE(back(view.get())->isHidden());
    EXPECT_FALSE(forward(view.get())->isEnabled()) << "no key stored";
    auto* save = child<QPushButton>(view.get(), "saveKeyButton");
    auto* field = child<QLineEdit>(view.get(), "apiKeyField");
    EXPECT_FALSE(save->isEnabled());

    // The keyring refuses the key: nothing is stored, so there is still no way on; the window says
    // why, keeps what was typed, and checks nothing.
    secrets.failWrites = true;
    typeInto(field, QStringLiteral("sk-test"));
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_TRUE(checker.keys.isEmpty());
    EXPECT_EQ(keyStatusText(view.get()), "Not saved: no keyring available");
    EXPECT_EQ(view->apiKeyInput(), "sk-test");
    EXPECT_FALSE(forward(view.get())->isEnabled());

    secrets.failWrites = false;
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(view->keyStatus(), KeyStatus::checking);
    EXPECT_TRUE(forward(view.get())->isEnabled()) << "stored is enough, checked or not";
    EXPECT_TRUE(save->isEnabled()) << "save stays available while a check runs";
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(checker.keys.size(), 2);
    checker.answer(false, true);
    EXPECT_EQ(keyStatusText(view.get()), "Key is invalid");
    EXPECT_EQ(storedKey(), "sk-test");
    EXPECT_TRUE(forward(view.get())->isEnabled());
}

TEST_F(OnboardingViewTest, KeyStepIsPassedWithALineWhereTheServerNeedsNoKey) {
    accessibility.trusted = true;
    store.setApiBaseURL(QStringLiteral("http://127.0.0.1:11434"));
    auto view = makeView();
    view->goForward();
    auto* note = child<QLabel>(view.get(), "keyNotNeeded");
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains("http://127.0.0.1:11434"));
    EXPECT_TRUE(forward(view.get())->isEnabled());
    store.setApiBaseURL(SettingsStore::defaultApiBaseURL);
    EXPECT_FALSE(note->isVisible());
    EXPECT_FALSE(forward(view.get())->isEnabled()) << "the hosted service needs its key";
}

// The sample field is drawn whole, its rounded border included, whatever the language's texts take.
TEST_F(OnboardingViewTest, TheSampleFieldFitsTheWindowInEitherLanguage) {
    accessibility.trusted = true;
    storeKey(QStringLiteral("sk-1"));
    for (const AppLanguage& language : {AppLanguage::en, AppLanguage::sr}) {
        store.setLanguage(language);
        auto view = makeView();
        view->presentStep(OnboardingView::test);
        QCoreApplication::processEvents();
        QWidget* frame = view->sampleField()->parentWidget();
        const QRect inView(frame->mapTo(view.get(), QPoint()), frame->size());
        QWidget* footer = child<QPushButton>(view.get(), "forwardButton")->parentWidget();
        EXPECT_EQ(frame->height(), 130);
        EXPECT_LE(inView.bottom(), footer->mapTo(view.get(), QPoint()).y()) << "above the footer";
        EXPECT_TRUE(frame->visibleRegion().boundingRect() == frame->rect()) << "nothing of it cut off";
    }
}

TEST_F(OnboardingViewTest, StepsRunForwardAndBackAndFinishCallsBack) {
    accessibility.trusted = true;
    storeKey(QStringLiteral("sk-1"));
    auto view = makeView();
    QSignalSpy shown(view.get(), &OnboardingView::sampleFieldShown);

    // Return acts as the forward button, from the key field too.
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(view->step(), OnboardingView::apiKey);
    // A key stored beforehand leaves the field empty and the status blank.
    EXPECT_EQ(view->apiKeyInput(), "");
    EXPECT_EQ(keyStatusText(view.get()), "");
    EXPECT_TRUE(forward(view.get())->isEnabled());
    QTest::keyClick(child<QLineEdit>(view.get(), "apiKeyField"), Qt::Key_Return);
    EXPECT_EQ(view->step(), OnboardingView::test);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.first().first().value<QPlainTextEdit*>(), view->sampleField());

    QTest::mouseClick(back(view.get()), Qt::LeftButton);
    EXPECT_EQ(view->step(), OnboardingView::apiKey);
    QTest::mouseClick(forward(view.get()), Qt::LeftButton);
    EXPECT_EQ(finished, 0);
    QTest::mouseClick(forward(view.get()), Qt::LeftButton);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(storedKey(), "sk-1") << "finishing writes nothing";

    // Return in the sample field is a line break, not Finish.
    QTest::keyClick(view->sampleField(), Qt::Key_Return);
    EXPECT_EQ(finished, 1);
}

// The sample keeps what is in it while it is open; every other text follows the language at once.
TEST_F(OnboardingViewTest, SampleTextFollowsTheLanguageOfTheLastShowing) {
    accessibility.trusted = true;
    storeKey(QStringLiteral("sk-1"));
    auto view = makeView();
    view->goForward();
    view->goForward();
    const QString english = view->demoText();
    view->sampleField()->setPlainText(QStringLiteral("my own words"));
    const auto shown = texts(view.get());

    store.setLanguage(AppLanguage::sr);
    EXPECT_EQ(view->demoText(), "my own words") << "not while it is open";
    EXPECT_EQ(unchanged(shown, view.get(), {"Quillet", "sk-…"}), QStringList());
    view->hide();
    view->show();
    EXPECT_NE(view->demoText(), english);
    EXPECT_EQ(view->demoText(), OnboardingView::sampleText());
}

}  // namespace
