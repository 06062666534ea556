// The panel's model: requests, answers, errors and the choices it hands back.
#include <QSignalSpy>

#include "CoreTestSupport.h"
#include "core/SuggestionViewModel.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;

namespace {

const QByteArray noChangeJson = R"({"corrected": "Fixed text.", "changes": []})";
const QByteArray rephraseJson = R"({"variants": [{"style": "neutral", "text": "Other text."}]})";

class SuggestionViewModelTest : public ClientTest {
protected:
    SuggestionViewModelTest() {
        // Answer by prompt, as a model would; a test may fail or delay one kind.
        transport.responder = [this](const HttpRequest& request) {
            const bool proofreading = request.body.contains("You are a proofreader.");
            const int status = proofreading ? correctionStatus : rephraseStatus;
            return Script::reply(status, chatReply(proofreading ? correctionJson : rephraseJson),
                                 proofreading ? correctionDelay : rephraseDelay);
        };
    }
    std::unique_ptr<SuggestionViewModel> make(const QString& key = QStringLiteral("sk-test"),
                                              QList<CustomAction> actions = {}) {
        return std::make_unique<SuggestionViewModel>(QStringLiteral("Fixd text."), client(key),
                                                     std::move(actions));
    }

    QByteArray correctionJson = noChangeJson;
    int correctionStatus = 200;
    int rephraseStatus = 200;
    std::chrono::milliseconds correctionDelay{0};
    std::chrono::milliseconds rephraseDelay{0};
};

TEST_F(SuggestionViewModelTest, StartsLoadingAndSendsNothingUntilAsked) {
    auto model = make();
    EXPECT_TRUE(model->correction().isLoading());
    EXPECT_TRUE(model->rephrase().isLoading());
    model->replace("x");  // no callbacks yet: nothing happens
    model->requestClose();
    scheduler.advance(1min);
    EXPECT_TRUE(transport.requests.isEmpty());
}

TEST_F(SuggestionViewModelTest, BothRequestsRunSideBySide) {
    auto model = make();
    correctionDelay = 300ms;
    rephraseDelay = 100ms;
    QStringList order;
    QObject::connect(model.get(), &SuggestionViewModel::correctionChanged, model.get(), [&] {
        if (!model->correction().isLoading())
            order << "correction";
    });
    QObject::connect(model.get(), &SuggestionViewModel::rephraseChanged, model.get(), [&] {
        if (!model->rephrase().isLoading())
            order << "rephrase";
    });
    model->loadAll();
    EXPECT_EQ(transport.requests.size(), 2) << "both sent before either answers";
    scheduler.advance(300ms);
    EXPECT_EQ(order, QStringList({"rephrase", "correction"})) << "stored in the order they finish";

    ASSERT_TRUE(model->correction().isLoaded());
    EXPECT_EQ(model->correction().result()->corrected, "Fixed text.");
    ASSERT_TRUE(model->rephrase().isLoaded());
    EXPECT_EQ(model->rephrase().result()->variants.at(0).text, "Other text.");

    EXPECT_EQ(sentBody(0)["temperature"].toDouble(), 0.2);
    EXPECT_EQ(sentMessage(0, 0), Prompts::proofreading());
    EXPECT_EQ(sentBody(1)["temperature"].toDouble(), 0.7);
    EXPECT_EQ(sentMessage(1, 0), Prompts::rephrasing());
}

TEST_F(SuggestionViewModelTest, AnActionIsSentOnlyWhenRunAndAnswersLikeAVariant) {
    const QList<CustomAction> actions = {{"Friendlier", "Make it friendlier."},
                                         {"To English", "Translate to English."}};
    auto model = make(QStringLiteral("sk-test"), actions);
    model->loadAll();
    scheduler.advance(1s);
    EXPECT_EQ(transport.requests.size(), 2) << "the actions wait for the user";
    EXPECT_FALSE(model->actionResult(0).has_value());
    EXPECT_FALSE(model->actionResult(7).has_value());

    QSignalSpy changed(model.get(), &SuggestionViewModel::actionChanged);
    rephraseDelay = 200ms;
    model->runAction(1);
    model->runAction(5);  // no such action: nothing
    ASSERT_EQ(transport.requests.size(), 3);
    ASSERT_TRUE(model->actionResult(1).has_value());
    EXPECT_TRUE(model->actionResult(1)->isLoading());
    EXPECT_FALSE(model->actionResult(0).has_value()) << "the other action is not run";
    EXPECT_EQ(sentMessage(2, 0), Prompts::customAction("Translate to English."));
    EXPECT_EQ(sentBody(2)["temperature"].toDouble(), 0.7);

    scheduler.advance(200ms);
    ASSERT_TRUE(model->actionResult(1)->isLoaded());
    EXPECT_EQ(model->actionResult(1)->result()->variants.first().text, "Other text.");
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.last().first().value<qsizetype>(), 1);

    // Closing the panel stops an action under way.
    model->runAction(0);
    model->cancel();
    scheduler.advance(1min);
    EXPECT_TRUE(model->actionResult(0)->isLoading());
}

TEST_F(SuggestionViewModelTest, AnActionAnsweredWithNothingOrAnErrorFails) {
    auto model = make(QStringLiteral("sk-test"), {{"Empty", "Say nothing."}});
    transport.responder = [](const HttpRequest&) {
        return Script::reply(200, chatReply(R"({"variants": []})"));
    };
    model->runAction(0);
    scheduler.advance(1s);
    ASSERT_TRUE(model->actionResult(0)->isFailed());
    EXPECT_FALSE(model->actionResult(0)->message().isEmpty());

    transport.responder = [](const HttpRequest&) { return Script::reply(401, chatReply("{}")); };
    model->runAction(0);
    scheduler.advance(10s);
    ASSERT_TRUE(model->actionResult(0)->isFailed());
    EXPECT_EQ(model->actionResult(0)->message(), "Invalid API key. Check it in Settings.");
}

// An answer that would empty the field is no result: a clear message, nothing to replace with.
// Variants without text are left out.
TEST_F(SuggestionViewModelTest, EmptyAnswersForATextWithWordsAreRefused) {
    transport.responder = [](const HttpRequest& request) {
        const bool proofreading = request.body.contains("You are a proofreader.");
        return Script::reply(
            200,
            chatReply(proofreading ? R"({"corrected": " ", "changes": [{"from": "Fixd text.", "to": ""}]})"
                                   : R"({"variants": [{"style": "neutral", "text": ""},)"
                                     R"( {"style": "concise", "text": "Short."}]})"));
    };
    auto model = make();
    model->loadAll();
    scheduler.advance(1s);
    ASSERT_TRUE(model->correction().isFailed());
    EXPECT_EQ(model->correction().message(), "Unexpected API response: the model sent back an empty text");
    ASSERT_TRUE(model->rephrase().isLoaded());
    EXPECT_EQ(model->rephrase().result()->variants, (QList<RephraseVariant>{{"concise", "Short."}}));
}

// One failure leaves the other result; Try again restarts both, the one that had succeeded too.
TEST_F(SuggestionViewModelTest, OneFailureLeavesTheOtherAndLoadAllRestartsBothAndKeepsTheTab) {
    correctionStatus = 401;
    auto model = make();
    model->loadAll();
    scheduler.advance(10s);
    ASSERT_TRUE(model->correction().isFailed());
    EXPECT_EQ(model->correction().message(), "Invalid API key. Check it in Settings.");
    ASSERT_TRUE(model->rephrase().isLoaded());
    model->setSelectedTab(1);

    QSignalSpy changed(model.get(), &SuggestionViewModel::changed);
    correctionStatus = 200;
    rephraseStatus = 404;
    const auto sentBefore = transport.requests.size();
    model->loadAll();
    EXPECT_EQ(changed.count(), 2) << "one notification per field";
    EXPECT_TRUE(model->correction().isLoading());
    EXPECT_TRUE(model->rephrase().isLoading()) << "even the one that had succeeded";
    EXPECT_EQ(model->selectedTab(), 1);
    EXPECT_EQ(transport.requests.size(), sentBefore + 2);
    scheduler.advance(10s);
    EXPECT_TRUE(model->correction().isLoaded());
    ASSERT_TRUE(model->rephrase().isFailed());
    EXPECT_EQ(model->rephrase().message(), "Unexpected API response: HTTP 404");
}

TEST_F(SuggestionViewModelTest, RequestsStopWithTheModel) {
    correctionDelay = 500ms;
    rephraseStatus = 503;
    auto model = make();
    model->loadAll();
    scheduler.advance(100ms);  // one answer still on its way, one failure waiting to retry
    model.reset();
    scheduler.advance(1min);  // must not touch the destroyed model
    EXPECT_EQ(transport.requests.size(), 2) << "no retry after the model is gone";
    EXPECT_EQ(transport.cancelled, 1);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

}  // namespace

// Return pressed before the correction is whole: it goes into the field once it is, as Replace would
// put it, and only when it changes something.
TEST_F(SuggestionViewModelTest, ReturnWhileLoadingReplacesOnceTheCorrectionIsWhole) {
    correctionDelay = 300ms;
    QStringList replaced;
    const auto run = [&](const QByteArray& answer, int status) {
        correctionJson = answer;
        correctionStatus = status;
        auto model = make();
        QObject::connect(model.get(), &SuggestionViewModel::replaceRequested,
                         [&](const QString& text) { replaced << text; });
        model->loadAll();
        scheduler.advance(100ms);
        model->replaceWhenReady();
        model->replaceWhenReady();
        EXPECT_TRUE(model->replacesWhenReady());
        EXPECT_TRUE(replaced.isEmpty());
        scheduler.advance(10s);
        EXPECT_FALSE(model->replacesWhenReady());
        return model;
    };
    auto model = run(R"({"corrected": "Fixed text.", "changes": [{"from": "Fixd", "to": "Fixed"}]})", 200);
    EXPECT_EQ(replaced, QStringList{"Fixed text."}) << "once, however often Return was pressed";
    model->replaceWhenReady();
    EXPECT_FALSE(model->replacesWhenReady()) << "with the correction there, Return is Replace itself";

    replaced.clear();
    run(R"({"corrected": "Fixd text.", "changes": []})", 200);
    run(noChangeJson, 401);
    EXPECT_TRUE(replaced.isEmpty()) << "nothing to change, or no answer: the panel shows why";
}
