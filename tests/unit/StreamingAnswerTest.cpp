// Streamed answers: the event stream, the growing JSON read at every split, and the client around them.
#include "CoreTestSupport.h"
#include "core/ChatStream.h"
#include "core/PartialAnswer.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;
using State = ChatStream::State;

namespace {

// One "data:" event carrying `piece` of the answer, as the servers send them.
QByteArray event(const QString& piece) {
    return streamedEvents(piece, int(piece.size()), false).last();
}

// Escapes, a line break, Serbian letters, an emoji (a surrogate pair, once escaped, once raw) and a
// quote inside the text.
const QString correctionAnswer = QStringLiteral(
    R"({"corrected": "Đak \"reče\":\nžaba 🐸 i \ud83d\ude00 \\ kraj", "changes": [{"from": "x", "to": "y"}]})");
const QString correctedText = QStringLiteral("Đak \"reče\":\nžaba 🐸 i 😀 \\ kraj");

TEST(ChatStreamTest, EverySplitOfTheBytesGivesTheSameAnswer) {
    QByteArray body;
    for (const QByteArray& e : streamedEvents(correctionAnswer, 3))
        body += e;
    body.replace("\n\n", "\r\n\r\n");  // some servers end their lines so
    for (qsizetype split = 0; split <= body.size(); ++split) {
        ChatStream stream;
        QString grown = stream.feed(QByteArrayView(body).first(split));
        grown += stream.feed(QByteArrayView(body).sliced(split));
        ASSERT_EQ(stream.state(), State::finished) << split;
        ASSERT_EQ(stream.content(), correctionAnswer) << split;
        ASSERT_EQ(grown, correctionAnswer) << split;
    }
}

TEST(ChatStreamTest, CutOffGarbageAndServerErrorsAreToldApart) {
    ChatStream cut;
    cut.feed(event("{\"corrected\": \"Hal"));
    EXPECT_EQ(cut.state(), State::open) << "no end yet: a body that stops here was cut";

    ChatStream reason;
    reason.feed(R"(data: {"choices": [{"delta": {"content": "{}"}, "finish_reason": "stop"}]})"
                "\n\n");
    EXPECT_EQ(reason.state(), State::finished) << "a finish reason ends it without [DONE]";

    for (const QByteArray& bad :
         {QByteArray("data: {not json\n\n"), QByteArray("<html>502 Bad Gateway</html>\n"),
          QByteArray("data: {\"error\": {\"message\": \"model crashed\"}}\n\n"),
          QByteArray("data: {\"choices\": [{\"delta\": {\"content\": 5}}]}\n\n")}) {
        ChatStream stream;
        stream.feed(event("{\"corrected\": \"ok"));
        stream.feed(bad);
        EXPECT_EQ(stream.state(), State::broken) << bad.constData();
        EXPECT_TRUE(stream.feed(event("more")).isEmpty()) << "nothing is read after";
    }
    // The server's own reason, in either shape servers use.
    for (const auto& [bad, reason] :
         {std::pair{QByteArray("data: {\"error\": {\"message\": \"model crashed\"}}\n\n"), "model crashed"},
          std::pair{QByteArray("data: {\"error\": \"out of memory\"}\n\n"), "out of memory"},
          std::pair{QByteArray("data: {\"error\": {\"code\": 500}}\n\n"), ""},
          std::pair{QByteArray("<html>502 Bad Gateway</html>\n"), ""}}) {
        ChatStream stream;
        stream.feed(bad);
        EXPECT_EQ(stream.serverError(), QString::fromUtf8(reason)) << bad.constData();
    }

    EXPECT_EQ(ChatStream::isEventStream("  data: {}"), true);
    EXPECT_EQ(ChatStream::isEventStream(": ping"), true);
    EXPECT_EQ(ChatStream::isEventStream("{\"choices\""), false);
    EXPECT_EQ(ChatStream::isEventStream("<html>"), false);
    EXPECT_EQ(ChatStream::isEventStream("da"), std::nullopt) << "too early to tell";
}

TEST(PartialAnswerTest, TheCorrectionGrowsTheSameAtEverySplit) {
    for (qsizetype split = 0; split <= correctionAnswer.size(); ++split) {
        PartialAnswer answer;
        answer.feed(QStringView(correctionAnswer).first(split));
        const QString early = answer.corrected();
        EXPECT_TRUE(correctedText.startsWith(early)) << split << " " << early.toStdString();
        EXPECT_TRUE(early.isEmpty() || !early.back().isHighSurrogate()) << "never half an emoji";
        answer.feed(QStringView(correctionAnswer).sliced(split));
        ASSERT_EQ(answer.corrected(), correctedText) << split;
    }

    // Character by character, the text only ever grows.
    PartialAnswer answer;
    QString seen;
    for (const QChar c : correctionAnswer) {
        answer.feed(QStringView(&c, 1));
        ASSERT_TRUE(answer.corrected().startsWith(seen));
        seen = answer.corrected();
    }
    EXPECT_EQ(seen, correctedText);
}

TEST(PartialAnswerTest, VariantsAppearOneByOneAndOnlyWhenWhole) {
    const QString answer = QStringLiteral(
        R"({"variants": [{"style": "neutral", "text": "Prvi {tekst}, \"drugi\"."}, {"text": "Bez stila"},)"
        R"( {"style": "concise", "extra": {"text": "not this"}, "text": "Kraće 🙂"}], "note": {"corrected": "no"}})");
    PartialAnswer partial;
    QList<int> counts;
    for (const QChar c : answer) {
        partial.feed(QStringView(&c, 1));
        if (counts.isEmpty() || counts.last() != partial.variants().size())
            counts << int(partial.variants().size());
    }
    EXPECT_EQ(counts, QList<int>({0, 1, 2}));
    ASSERT_EQ(partial.variants().size(), 2);
    EXPECT_EQ(partial.variants()[0].text, "Prvi {tekst}, \"drugi\".");
    EXPECT_EQ(partial.variants()[1].style, "concise");
    EXPECT_EQ(partial.variants()[1].text, "Kraće 🙂");
    EXPECT_TRUE(partial.corrected().isEmpty()) << "only a top-level key counts";
}

class StreamingClientTest : public ClientTest {
protected:
    // Starts a correction and records each text the panel would show.
    std::shared_ptr<std::optional<Outcome<CorrectionResult>>> ask(QStringList* shown = nullptr) {
        auto out = std::make_shared<std::optional<Outcome<CorrectionResult>>>();
        client().request<CorrectionResult>(
            Prompts::proofreading(), "I goed.", 0.2,
            [out](Outcome<CorrectionResult> o) { *out = std::move(o); },
            [shown](const PartialAnswer& partial) {
                if (shown)
                    *shown << partial.corrected();
            });
        return out;
    }
};

TEST_F(StreamingClientTest, TheCorrectionShowsAsItArrivesThenDecodesWhole) {
    transport.enqueue(Script::stream(streamedEvents(R"({"corrected": "I went.", "changes": []})", 4), 50ms));
    QStringList shown;
    auto out = ask(&shown);
    scheduler.advance(120ms);
    EXPECT_FALSE(out->has_value());
    scheduler.advance(2s);
    ASSERT_TRUE(out->has_value());
    ASSERT_TRUE(std::holds_alternative<CorrectionResult>(**out));
    EXPECT_EQ(std::get<CorrectionResult>(**out).corrected, "I went.");
    shown.removeDuplicates();
    ASSERT_GE(shown.size(), 3) << "several steps, not one";
    for (qsizetype i = 1; i < shown.size(); ++i)
        EXPECT_TRUE(shown[i].startsWith(shown[i - 1])) << "only ever grows";
    EXPECT_EQ(shown.last(), "I went.");

    // A server that ignores "stream" answers as it always did.
    transport.enqueue(Script::reply(
        200, R"({"choices": [{"message": {"content": "{\"corrected\": \"A.\", \"changes\": []}"}}]})"));
    shown.clear();
    out = ask(&shown);
    scheduler.advance(1s);
    ASSERT_TRUE(out->has_value() && std::holds_alternative<CorrectionResult>(**out));
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(StreamingClientTest, ACutOrGarbledStreamIsSaidAndNeverRetried) {
    const QString answer = R"({"corrected": "I went.", "changes": []})";
    for (const bool reset : {true, false}) {  // the connection reset, or the body ended without the end
        transport.enqueue(Script::stream(streamedEvents(answer, 4, false), 10ms, reset));
        auto out = ask();
        scheduler.advance(30s);
        EXPECT_EQ(errorOf(*out), OpenAIError::interrupted()) << reset;
    }
    EXPECT_EQ(transport.requests.size(), 2) << "a retry would show the answer twice";

    QList<QByteArray> garbled = streamedEvents(answer, 4);
    garbled.insert(3, "data: {\"choices\": oops\n\n");
    transport.enqueue(Script::stream(garbled, 1s));
    auto out = ask();
    scheduler.advance(4500ms);
    EXPECT_EQ(errorOf(*out), OpenAIError::badResponse(OpenAIError::streamDetail)) << "said at once";
    EXPECT_EQ(transport.inFlight(), 0u) << "and the transfer stopped";

    // A server that gives up says why, and that is what the panel shows, on one line.
    QList<QByteArray> overloaded = streamedEvents(answer, 4, false).mid(0, 3);
    overloaded << "data: {\"error\": {\"message\": \"The model is overloaded.\\nTry later.\", \"type\": "
                  "\"server_error\"}}\n\n";
    transport.enqueue(Script::stream(overloaded, 10ms));
    out = ask();
    scheduler.advance(1s);
    EXPECT_EQ(errorOf(*out).message(), "The model is overloaded. Try later.");
    transport.enqueue(Script::reply(200, "data: {\"error\": \"" + QByteArray(500, 'x') + "\"}\n\n"));
    out = ask();
    scheduler.advance(1s);
    EXPECT_EQ(errorOf(*out).message(), QString(OpenAIError::maxServerMessage - 1, 'x') + QChar(0x2026))
        << "a whole page of it is cut";

    // A stream whose text is not the answer's JSON.
    transport.enqueue(Script::stream(streamedEvents("Sure! Here is the text.", 5), 10ms));
    out = ask();
    scheduler.advance(30s);
    EXPECT_EQ(errorOf(*out), OpenAIError::badResponse(OpenAIError::jsonDetail));
    EXPECT_EQ(transport.requests.size(), 6);
}

TEST_F(StreamingClientTest, ASlowModelIsNotCutByTheDeadline) {
    // 80 pieces, one every 1.5 s: two minutes of writing, well past the one-minute deadline.
    const QString answer = R"({"corrected": ")" + QString(80 * 4 - 33, 'a') + R"(", "changes": []})";
    transport.enqueue(Script::stream(streamedEvents(answer, 4), 1500ms));
    auto out = ask();
    scheduler.advance(4min);
    ASSERT_TRUE(out->has_value());
    EXPECT_TRUE(std::holds_alternative<CorrectionResult>(**out));

    // One character every 2 s, for ever: the whole answer ends at its limit all the same.
    QList<QByteArray> endless = streamedEvents(QString(1000, 'a'), 1, false);
    transport.enqueue(Script::stream(endless, 2s));
    const auto start = scheduler.now();
    out = ask();
    scheduler.advance(OpenAIClient::answerLimit - 1s);
    EXPECT_FALSE(out->has_value()) << "still writing at 9:59";
    scheduler.advance(1s);
    EXPECT_EQ(errorOf(*out), OpenAIError::tooLong());
    EXPECT_EQ(scheduler.now() - start, OpenAIClient::answerLimit);
    EXPECT_EQ(transport.inFlight(), 0u);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(StreamingClientTest, ClosingThePanelStopsTheStream) {
    transport.enqueue(Script::stream(streamedEvents(R"({"corrected": "I went.", "changes": []})", 2), 100ms));
    QStringList shown;
    auto out = std::make_shared<std::optional<Outcome<CorrectionResult>>>();
    PendingRequest pending = client().request<CorrectionResult>(
        Prompts::proofreading(), "I goed.", 0.2, [out](Outcome<CorrectionResult> o) { *out = std::move(o); },
        [&](const PartialAnswer& p) { shown << p.corrected(); });
    scheduler.advance(450ms);
    const qsizetype before = shown.size();
    pending.cancel();
    scheduler.advance(1min);
    EXPECT_EQ(shown.size(), before);
    EXPECT_FALSE(out->has_value());
    EXPECT_EQ(transport.inFlight(), 0u);
}

}  // namespace
