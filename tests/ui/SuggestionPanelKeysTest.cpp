// The suggestion panel's keys: Escape and Return, wherever the keyboard is in it.
#include <QPushButton>
#include <QTextBrowser>

#include "ui/KeyboardPanel.h"
#include "ui/SuggestionPanelFixture.h"

using namespace quillet;
using namespace quillet::test;

namespace {

using SuggestionPanelKeysTest = SuggestionPanelFixture;

TEST_F(SuggestionPanelKeysTest, EscapeOrdersThePanelOutThenClosesFromAnywhereInIt) {
    escape();  // while loading
    EXPECT_FALSE(controller->panel()->isVisible());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(closeRequests, 0);

    open(original);
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    escape(find<QTextBrowser>("correctionText"));
    EXPECT_FALSE(controller->panel()->isVisible());
    EXPECT_EQ(closes, 2);

    view().closeButton()->click();
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(closes, 2) << "the close button leaves closing to the owner";
}

TEST_F(SuggestionPanelKeysTest, ReturnReplacesOnTheCorrectionTabOnlyAndTheOwnerMayDropThePanelThen) {
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    vm->setRephrase(
        SuggestionViewModel::RephraseLoad::loaded(RephraseResult{{{"neutral", "Something else."}}}));
    controller->panel()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller->panel()));
    vm->setSelectedTab(1);
    QTest::keyClick(controller->panel(), Qt::Key_Return);
    EXPECT_TRUE(replaced.isEmpty());
    vm->setSelectedTab(0);
    auto* text = find<QTextBrowser>("correctionText");
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(replaced, QStringList{corrected});

    // The owner may drop the controller from inside a click of the panel's own buttons.
    replaced.clear();
    vm->onReplace = [this](const QString& text) {
        replaced << text;
        controller.reset();
    };
    find<QPushButton>("replaceButton")->click();
    EXPECT_EQ(replaced, QStringList{corrected});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
