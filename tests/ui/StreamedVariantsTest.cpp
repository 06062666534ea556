// Alternatives that arrive one by one: each gets a card of its own, and the cards on screen stay.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTextBrowser>

#include "ui/KeyboardPanel.h"
#include "ui/SuggestionPanelFixture.h"
#include "ui/VariantCard.h"
#include "unit/CoreTestSupport.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

using StreamedVariantsTest = SuggestionPanelFixture;

TEST_F(StreamedVariantsTest, NewVariantsAddCardsAndTheCardsShownStay) {
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

}  // namespace
