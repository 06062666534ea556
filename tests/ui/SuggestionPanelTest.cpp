// The suggestion panel: its tabs, its buttons, its keyboard and what it hands back.
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>

#include "core/AnswerGuard.h"
#include "ui/KeyboardPanel.h"
#include "ui/Style.h"
#include "ui/SuggestionPanelFixture.h"
#include "ui/VariantCard.h"
#include "unit/CoreTestSupport.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {
using SuggestionPanelTest = SuggestionPanelFixture;
}  // namespace

TEST_F(SuggestionPanelTest, IsPlacedBelowTheAnchorTakesTheKeyboardAndLoadsOnBothTabs) {
    EXPECT_EQ(controller->panel()->screenFrame(), Rect(8, 430, 400, 340));
    EXPECT_TRUE(controller->panel()->isVisible());
    EXPECT_FALSE(controller->panel()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(find<QLabel>("loadingMessage")->text(), "Polishing your text…");
    EXPECT_TRUE(view().correctionTabButton()->isChecked());
    snapshot(QStringLiteral("loading"));
    view().rephraseTabButton()->click();
    EXPECT_EQ(vm->selectedTab(), 1);
    EXPECT_EQ(find<QLabel>("loadingMessage")->text(), "Crafting alternatives…");
}

// Any notification redraws the panel in the language of the moment, every text of it.
TEST_F(SuggestionPanelTest, EveryTextFollowsTheLanguage) {
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    for (int tab : {0, 1}) {
        vm->setSelectedTab(tab);
        const auto english = texts(controller->panel());
        LanguageScope language(AppLanguage::sr);
        vm->setSelectedTab(tab);
        EXPECT_EQ(unchanged(english, controller->panel()), QStringList()) << tab;
    }
    snapshot(QStringLiteral("correction-sr"));
}

// A panel built ahead draws whatever its model holds by the time it gets one, in the language of
// that moment, and works as one built for it.
TEST_F(SuggestionPanelTest, APanelBuiltAheadShowsItsModelAsOneBuiltForIt) {
    SuggestionPanelController::Panel prepared = SuggestionPanelController::prepare(clipboard, hints);
    KeyboardPanel* panel = prepared.get();
    EXPECT_FALSE(panel->isVisible());
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    vm->setRephrase(SuggestionViewModel::RephraseLoad::failed(QStringLiteral("The server is busy.")));
    {
        LanguageScope language(AppLanguage::sr);
        controller = std::make_unique<SuggestionPanelController>(vm, std::move(prepared), screens);
        QObject::connect(controller.get(), &SuggestionPanelController::closed, [this] { ++closes; });
        controller->show(Rect(300, 400, 24, 24));
        ASSERT_EQ(controller->panel(), panel);
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(view().correctionTabButton()->text(), "Ispravka");
        EXPECT_EQ(find<QLabel>("changesCount")->text(), L10n::current().changesCount(3));
    }
    find<QPushButton>("replaceButton")->click();
    EXPECT_EQ(replaced, QStringList{corrected});
    view().rephraseTabButton()->click();
    EXPECT_EQ(find<QLabel>("errorMessage")->text(), "The server is busy.");
    escape();
    EXPECT_EQ(closes, 1);

    // Built ahead and bound at once to a fresh model: loading on both tabs, as any new panel.
    open(original);
    SuggestionPanelController fresh(vm, SuggestionPanelController::prepare(clipboard, hints), screens);
    EXPECT_EQ(fresh.view()->currentContent()->findChild<QLabel*>(QStringLiteral("loadingMessage"))->text(),
              "Polishing your text…");
}

TEST_F(SuggestionPanelTest, FailureShowsTheMessageAndTryAgainRestartsBothRequests) {
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    vm->setRephrase(
        SuggestionViewModel::RephraseLoad::failed(QStringLiteral("Invalid API key. Check Settings.")));
    vm->setSelectedTab(1);
    ASSERT_NE(find<QLabel>("errorMessage"), nullptr);
    EXPECT_EQ(find<QLabel>("errorMessage")->text(), "Invalid API key. Check Settings.");
    snapshot(QStringLiteral("rephrase-failed"));

    find<QPushButton>("tryAgainButton")->click();
    EXPECT_EQ(find<QLabel>("loadingMessage")->text(), "Crafting alternatives…");
    scheduler.runPending();
    EXPECT_EQ(transport.requests.size(), 2);
}

TEST_F(SuggestionPanelTest, AStreamedAnswerFillsInAndIsOfferedWhenWhole) {
    const QString correctionAnswer =
        R"({"corrected": ")" + corrected + R"(", "changes": [{"from": "buyed", "to": "bought"}]})";
    const QString rephraseAnswer =
        R"({"variants": [{"style": "neutral", "text": "One."}, )"
        R"({"style": "professional", "text": "Two."}, {"style": "concise", "text": "Three."}]})";
    transport.enqueue(FakeHttpTransport::Script::stream(streamedEvents(correctionAnswer, 5), 50ms));
    transport.enqueue(FakeHttpTransport::Script::stream(streamedEvents(rephraseAnswer, 5), 50ms));
    vm->loadAll();

    ASSERT_NO_FATAL_FAILURE(activate());
    QStringList seen;
    bool returned = false;
    while (vm->correction().isLoading() || vm->rephrase().isLoading()) {
        scheduler.advance(50ms);
        // Return half-way: the panel says the correction goes in once whole, and nothing goes yet.
        if (!returned && seen.size() == 3) {
            returned = true;
            vm->setSelectedTab(0);
            QTest::keyClick(controller->panel(), Qt::Key_Return);
            const QList<QLabel*> labels = content()->findChildren<QLabel*>();
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                    [](QLabel* l) { return l->text() == "Replacing when ready…"; }));
        }
        if (vm->correction().isLoading()) {
            EXPECT_TRUE(replaced.isEmpty());
        }
        vm->setSelectedTab(0);
        if (auto* text = find<QTextBrowser>("correctionText"); text && vm->correction().isLoading()) {
            seen << text->toPlainText();
            EXPECT_EQ(find("replaceButton"), nullptr) << "nothing to write until the answer is whole";
        }
    }
    seen.removeDuplicates();
    ASSERT_GE(seen.size(), 5) << "the text grew in view, step by step";
    EXPECT_TRUE(corrected.startsWith(seen[1]));
    EXPECT_LT(seen[1].size(), corrected.size() / 2);

    EXPECT_EQ(replaced, QStringList{corrected}) << "in as soon as whole, without a second Return";
    vm->setSelectedTab(0);
    ASSERT_NE(find<QPushButton>("replaceButton"), nullptr);
    EXPECT_EQ(find<QTextBrowser>("correctionText")->toPlainText(), corrected);
    EXPECT_EQ(find<QLabel>("changesCount")->text(), "1 change");
}

TEST_F(SuggestionPanelTest, NothingToFixShowsTheSuccessViewAndAnyDifferenceIsACorrection) {
    // A text equal to the user's, whatever changes are listed.
    for (const CorrectionResult& result : {correction(original, 0), correction(original, 2)}) {
        vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(result));
        ASSERT_NE(find<QLabel>("successMessage"), nullptr);
        EXPECT_EQ(find<QLabel>("successMessage")->text(), "Your text is already flawless");
        EXPECT_EQ(find("replaceButton"), nullptr);
    }
    snapshot(QStringLiteral("success"));
    // A different text with no change listed is still a change, offered as one.
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 0)));
    ASSERT_NE(find<QPushButton>("replaceButton"), nullptr);
    EXPECT_EQ(find<QLabel>("changesCount")->text(), "");
}

// A correction far longer than the text is shown, but Return does not put it in: only a click does.
TEST_F(SuggestionPanelTest, AFarLongerCorrectionNeedsADeliberateClick) {
    const QString rambling =
        corrected + QString(" And then a great deal more that nobody wrote.").repeated(5);
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(rambling, 1)));
    ASSERT_NO_FATAL_FAILURE(activate());
    QTest::keyClick(controller->panel(), Qt::Key_Return);
    EXPECT_TRUE(replaced.isEmpty());
    EXPECT_EQ(find<QLabel>("changesCount")->text(), AnswerGuard::farLongerNote(L10n::current()));
    find<QPushButton>("replaceButton")->click();
    EXPECT_EQ(replaced, QStringList{rambling});
}

// A refused write takes the place of the results: the message, Check again where the text changed,
// and Return does nothing.
TEST_F(SuggestionPanelTest, ARefusedWriteSaysWhyAndOffersToCheckAgain) {
    int checks = 0;
    QObject::connect(vm.get(), &SuggestionViewModel::checkAgainRequested, [&] { ++checks; });
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    vm->setWriteRefusal(WriteRefusal::textChanged);
    EXPECT_EQ(find<QLabel>("refusalMessage")->text(), "The text changed after it was checked.");
    snapshot(QStringLiteral("refusal"));
    ASSERT_NO_FATAL_FAILURE(activate());
    QTest::keyClick(controller->panel(), Qt::Key_Return);
    EXPECT_TRUE(replaced.isEmpty());
    find<QPushButton>("checkAgainButton")->click();
    EXPECT_EQ(checks, 1);

    LanguageScope language(AppLanguage::sr);
    vm->setWriteRefusal(WriteRefusal::fieldGone);
    EXPECT_THAT(find<QLabel>("refusalMessage")->text().toStdString(), testing::StartsWith("Polja više nema"));
    EXPECT_EQ(find("checkAgainButton"), nullptr) << "nothing to check: the field is gone";
    view().rephraseTabButton()->click();
    EXPECT_EQ(content()->objectName(), "refusalView");
}

// Names and texts from outside (an action's name, a variant's style, a server's message) are drawn
// as the characters they are: markup in them is no link, no big red text, no image.
TEST_F(SuggestionPanelTest, TextsFromOutsideAreDrawnAsPlainText) {
    const QString html =
        QStringLiteral("<a href='x'><font size=7 color=red>Big</font><img src='/etc/x.png'></a>");
    open(original, {{html, "Do it."}});
    vm->setRephrase(SuggestionViewModel::RephraseLoad::loaded(RephraseResult{{{html, "Text."}}}));
    vm->setSelectedTab(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QLabel*> labels = content()->findChildren<QLabel*>();
    int shown = 0;
    for (QLabel* label : labels) {
        if (!label->text().contains("<a href", Qt::CaseInsensitive))
            continue;
        ++shown;
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(shown, 2) << "the variant's pill and the action's";
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::failed(html));
    vm->setSelectedTab(0);
    EXPECT_EQ(find<QLabel>("errorMessage")->textFormat(), Qt::PlainText);
}

TEST_F(SuggestionPanelTest, CorrectionViewMarksChangesCopiesAndReplaces) {
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    auto* text = find<QTextBrowser>("correctionText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), corrected);
    EXPECT_EQ(find<QLabel>("changesCount")->text(), "3 changes");
    snapshot(QStringLiteral("correction"));

    // "bought" is marked; "went" is not.
    auto formatAt = [&](const QString& word) {
        QTextCursor c(text->document());
        c.setPosition(corrected.indexOf(word) + 1);
        return c.charFormat();
    };
    const QTextCharFormat bought = formatAt(QStringLiteral("bought"));
    EXPECT_TRUE(bought.fontUnderline());
    EXPECT_TRUE(near(bought.background().color(), Style::green(), 0));
    EXPECT_NEAR(bought.background().color().alphaF(), 0.25, 0.01);
    EXPECT_FALSE(formatAt(QStringLiteral("went")).fontUnderline());
    EXPECT_EQ(formatAt(QStringLiteral("went")).background().style(), Qt::NoBrush);

    find<QPushButton>("copyButton")->click();
    EXPECT_EQ(clipboard.plainText(), corrected);
    EXPECT_EQ(clipboard.writes, 1);
    EXPECT_TRUE(replaced.isEmpty()) << "copying leaves the field alone";
    EXPECT_TRUE(controller->panel()->isVisible());
    find<QPushButton>("replaceButton")->click();
    EXPECT_EQ(replaced, QStringList{corrected});
}

TEST_F(SuggestionPanelTest, EachVariantCardShowsItsLabelAndReplacesWithItsText) {
    vm->setRephrase(SuggestionViewModel::RephraseLoad::loaded(RephraseResult{{
        {QStringLiteral("neutral"), QStringLiteral("I went to the store yesterday and bought two apples.")},
        {QStringLiteral("PROFESSIONAL"),
         QStringLiteral("Yesterday, I visited the store and purchased two apples.")},
        {QStringLiteral("concise"), QStringLiteral("Bought two apples yesterday.")},
        {QStringLiteral("formal tone"),
         QStringLiteral("I made a purchase of two apples at the store yesterday.")},
    }}));
    // Drawn a moment later while out of view, so that the tab in view is drawn first.
    EXPECT_TRUE(view().findChildren<VariantCard*>().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return view().findChildren<VariantCard*>().size() == 4; }));
    vm->setSelectedTab(1);
    const QList<VariantCard*> cards = content()->findChildren<VariantCard*>();
    ASSERT_EQ(cards.size(), 4);
    for (VariantCard* card : cards) {
        EXPECT_EQ(card->pill()->text(), card->variant().label());
        EXPECT_EQ(card->textBlock()->toPlainText(), card->variant().text);
        EXPECT_EQ(card->pill()->palette().color(QPalette::WindowText),
                  VariantCard::styleColor(card->variant().style));
    }
    snapshot(QStringLiteral("rephrase"));
    cards[2]->replaceButton()->click();
    EXPECT_EQ(replaced, QStringList{"Bought two apples yesterday."});
}

// Three variants fit without a scroll bar; with two actions below them the list scrolls, its bar
// inside the rounded frame, never over the corner or the border.
TEST_F(SuggestionPanelTest, BothTabsKeepTheRoundedTranslucentCorners) {
    const RephraseResult three{{{QStringLiteral("neutral"), QStringLiteral("I went to the store yesterday.")},
                                {QStringLiteral("professional"), corrected},
                                {QStringLiteral("concise"), QStringLiteral("Bought two apples.")}}};
    QImage plain;
    for (const bool withActions : {false, true}) {
        QList<CustomAction> actions;
        if (withActions)
            actions = {{"To English", "Translate."}, {"Friendlier", "Be kind."}};
        open(original, actions);
        vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
        vm->setRephrase(SuggestionViewModel::RephraseLoad::loaded(three));
        for (int tab : {0, 1}) {
            vm->setSelectedTab(tab);
            QCoreApplication::processEvents();
            const QImage image =
                render(*controller->panel(), QStringLiteral("corners-%1-%2").arg(tab).arg(withActions));
            const int w = image.width(), h = image.height();
            EXPECT_EQ(qAlpha(image.pixel(1, h - 2)), 0) << "bottom-left corner, tab " << tab;
            EXPECT_EQ(qAlpha(image.pixel(w - 2, h - 2)), 0) << "bottom-right corner, tab " << tab;
            // Along the bottom, the material is seen through the content, not painted over.
            EXPECT_LT(qAlpha(image.pixel(w / 2, h - 6)), 255) << "bottom edge, tab " << tab;
        }
        ASSERT_EQ(content()->objectName(), "variants");
        const auto* bar = qobject_cast<QScrollArea*>(content())->verticalScrollBar();
        EXPECT_EQ(bar->isVisible(), withActions) << "a bar only when the cards do not fit";
        const QImage image = render(*controller->panel());
        if (!withActions) {
            plain = image;
            continue;
        }
        // The frame's right edge and its bottom corner look as they do with no bar at all.
        for (int y = 0; y < image.height(); ++y)
            for (int x = image.width() - 3; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
    }
}

// A text longer than what is sent: the panel says so, and the correction is compared with the part
// that was checked, not with the whole field (whose unchecked tail would count as removed).
TEST_F(SuggestionPanelTest, LongTextSaysOnlyItsFirstPartWasCheckedAndDiffsThatPart) {
    EXPECT_FALSE(view().findChild<QLabel*>(QStringLiteral("partialNote"))->isVisible());
    QString part;
    while (part.size() < OpenAIClient::maxCharacters)
        part += QStringLiteral("word ");
    part.truncate(OpenAIClient::maxCharacters);
    open(part + QStringLiteral(" tail that was never sent"));
    auto* note = view().findChild<QLabel*>(QStringLiteral("partialNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());

    // The correction equals the part that was sent: nothing to fix there.
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(part, 1)));
    EXPECT_NE(find<QLabel>("successMessage"), nullptr);
    QString fixed = part;
    fixed.replace(0, 4, QStringLiteral("Word"));
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(fixed, 1)));
    auto* text = find<QTextBrowser>("correctionText");
    ASSERT_NE(text, nullptr);
    QTextCursor last(text->document());
    last.setPosition(fixed.size() - 1);
    EXPECT_FALSE(last.charFormat().fontUnderline()) << "the last word sent is unchanged";
    QCoreApplication::processEvents();
    ASSERT_GT(text->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(text->verticalScrollBar()->value(), 0) << "a long correction opens at its first line";
}

TEST_F(SuggestionPanelTest, AnActionCardRunsWhenAskedAndItsResultReplacesTheField) {
    open(original, {{"To English", "Translate to English."}, {"Friendlier", "Be kind."}});
    vm->setRephrase(
        SuggestionViewModel::RephraseLoad::loaded(RephraseResult{{{"neutral", "Something else."}}}));
    view().rephraseTabButton()->click();

    auto cards = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return content()->findChildren<ActionCard*>();
    };
    ASSERT_EQ(cards().size(), 2) << "below the alternatives, one card each";
    EXPECT_EQ(content()->findChildren<VariantCard*>().size(), 1);
    EXPECT_EQ(cards()[0]->button()->text(), "Run");
    EXPECT_TRUE(transport.requests.isEmpty()) << "nothing is sent until the user asks";

    const QString answer = R"({"variants": [{"style": "custom", "text": "In English."}]})";
    transport.enqueue(FakeHttpTransport::Script::stream(streamedEvents(answer, 8), 50ms));
    QTest::mouseClick(cards()[0]->button(), Qt::LeftButton);
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_FALSE(cards()[0]->button()->isEnabled()) << "waits while it runs";
    EXPECT_EQ(cards()[1]->button()->text(), "Run") << "the other card is untouched";

    scheduler.advance(5s);
    ASSERT_EQ(cards().size(), 2);
    EXPECT_EQ(cards()[0]->button()->text(), "Replace");
    EXPECT_EQ(cards()[0]->textBlock()->toPlainText(), "In English.");
    snapshot(QStringLiteral("actions"));
    QTest::mouseClick(cards()[0]->button(), Qt::LeftButton);
    EXPECT_EQ(replaced, QStringList{"In English."});
}

TEST_F(SuggestionPanelTest, EscapeOrdersThePanelOutThenClosesFromAnywhereInIt) {
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

TEST_F(SuggestionPanelTest, ReturnReplacesOnTheCorrectionTabOnlyAndTheOwnerMayDropThePanelThen) {
    vm->setCorrection(SuggestionViewModel::CorrectionLoad::loaded(correction(corrected, 3)));
    vm->setRephrase(
        SuggestionViewModel::RephraseLoad::loaded(RephraseResult{{{"neutral", "Something else."}}}));
    ASSERT_NO_FATAL_FAILURE(activate());
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
    QObject::connect(vm.get(), &SuggestionViewModel::replaceRequested, [this] { controller.reset(); });
    find<QPushButton>("replaceButton")->click();
    EXPECT_EQ(replaced, QStringList{corrected});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Alternatives that arrive one by one: each gets a card of its own, and the cards on screen stay.
TEST_F(SuggestionPanelTest, NewVariantsAddCardsAndTheCardsShownStay) {
    // Five variants, one with a NUL and a colour code in it: three are offered, as plain text.
    QJsonArray variants;
    for (int i = 0; i < 5; ++i)
        variants.append(QJsonObject{{"style", QStringLiteral("style %1").arg(i)},
                                    {"text", QString::fromUtf16(u"Vari\u0000ant \u001b[32m%1.", 17).arg(i)}});
    const QString answer =
        QString::fromUtf8(QJsonDocument(QJsonObject{{"variants", variants}}).toJson(QJsonDocument::Compact));
    transport.enqueue(FakeHttpTransport::Script::stall());  // the correction never comes
    transport.enqueue(FakeHttpTransport::Script::stream(streamedEvents(answer, 4), 10ms));
    vm->loadAll();
    vm->setSelectedTab(1);

    QWidget* list = nullptr;
    QList<QPointer<VariantCard>> seen;
    for (int step = 0; step < 1000 && vm->rephrase().isLoading(); ++step) {
        scheduler.advance(10ms);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QList<VariantCard*> cards = content()->findChildren<VariantCard*>();
        if (cards.size() == seen.size())
            continue;
        if (!list)
            list = content();
        EXPECT_EQ(content(), list) << "the list is not built again";
        ASSERT_EQ(cards.size(), seen.size() + 1) << "one card for each new variant";
        for (qsizetype i = 0; i < seen.size(); ++i)
            EXPECT_EQ(cards[i], seen[i].data()) << "card " << i << " is the one already shown";
        seen << cards.last();
    }
    ASSERT_EQ(seen.size(), 3);
    ASSERT_TRUE(vm->rephrase().isLoaded());
    const QList<VariantCard*> cards = content()->findChildren<VariantCard*>();
    ASSERT_EQ(cards.size(), 3);
    EXPECT_EQ(cards[2]->textBlock()->toPlainText(), "Variant 2.");

    // A card shows a changed variant in place, and Replace puts in what it shows.
    cards[2]->setVariant({QStringLiteral("style 2"), QStringLiteral("Variant two.")});
    EXPECT_EQ(cards[2]->textBlock()->toPlainText(), "Variant two.");
    cards[2]->replaceButton()->click();
    EXPECT_EQ(replaced, QStringList{"Variant two."});
}
