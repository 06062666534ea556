// Requests to the chat-completions API on a fake transport: what is sent and how answers end; and
// the model list a server gives, through the client and on its own.
#include "CoreTestSupport.h"
#include "core/ModelServers.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;
using testing::ElementsAre;

namespace {

const QByteArray correctionJson = R"({"corrected": "I went.", "changes": [{"from": "goed", "to": "went"}]})";

class OpenAIClientTest : public ClientTest {
protected:
    OpenAIError failWith(int status, const QByteArray& body) {
        transport.enqueue(Script::reply(status, body));
        auto out = ask(client());
        scheduler.advance(10s);
        return errorOf(*out);
    }
};

TEST_F(OpenAIClientTest, SendsExactlyTheChatRequest) {
    transport.enqueue(Script::reply(200, chatReply(correctionJson)));
    auto out = ask(client(), QStringLiteral("I goed."));
    scheduler.runPending();

    ASSERT_EQ(transport.requests.size(), 1);
    const HttpRequest& sent = transport.requests[0];
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.url, QUrl("https://api.openai.com/v1/chat/completions"));
    EXPECT_EQ(sent.header("Authorization"), "Bearer sk-test");
    EXPECT_EQ(sent.header("Content-Type"), "application/json");
    EXPECT_EQ(sent.headers.size(), 2);
    EXPECT_EQ(sent.timeout, 30s);

    QJsonParseError error{};
    const QJsonObject body = QJsonDocument::fromJson(sent.body, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(body.keys(), QStringList({"messages", "model", "response_format", "stream", "temperature"}));
    EXPECT_EQ(body["stream"], QJsonValue(true));
    EXPECT_EQ(body["model"].toString(), "gpt-4o-mini");
    EXPECT_EQ(body["temperature"].toDouble(), 0.2);
    EXPECT_EQ(body["response_format"].toObject(), QJsonObject({{"type", "json_object"}}));
    const QJsonArray messages = body["messages"].toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].toObject(),
              QJsonObject({{"role", "system"}, {"content", Prompts::proofreading()}}));
    EXPECT_EQ(messages[1].toObject(),
              QJsonObject({{"role", "user"},
                           {"content", "I goed.\n\n(Text language: en — respond in the same language.)"}}));

    ASSERT_TRUE(out->has_value());
    const auto* result = std::get_if<CorrectionResult>(&**out);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->corrected, "I went.");
    EXPECT_EQ(result->changes.size(), 1);
}

TEST_F(OpenAIClientTest, EndpointFollowsTheConfiguredServer) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://api.openai.com", "https://api.openai.com/v1/models"},
        {"https://api.openai.com/", "https://api.openai.com/v1/models"},
        {" http://127.0.0.1:8080// ", "http://127.0.0.1:8080/v1/models"},
        {"https://gateway.example/openai/", "https://gateway.example/openai/v1/models"},
        // A base that already names the version keeps it once.
        {"http://127.0.0.1:11434/v1", "http://127.0.0.1:11434/v1/models"},
        {"http://127.0.0.1:8080/v1/", "http://127.0.0.1:8080/v1/models"},
        {"https://gateway.example/v1/openai", "https://gateway.example/v1/openai/v1/models"},
    };
    for (const auto& [base, expected] : cases)
        EXPECT_EQ(OpenAIClient::endpoint(QString::fromLatin1(base), "/v1/models"), QUrl(expected)) << base;

    // The client asks the server it was built with, whatever the settings say meanwhile.
    settings.store.setApiBaseURL("http://127.0.0.1:9");
    transport.enqueue(Script::reply(200, chatReply(correctionJson)));
    ask(client("sk-test", "http://127.0.0.1:1234/v1"));
    scheduler.advance(1s);
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].url, QUrl("http://127.0.0.1:1234/v1/chat/completions"));
}

// An empty key is no key (see ServerKeysTest and the key asked for late, below); a blank one is a
// key the server may judge.
TEST_F(OpenAIClientTest, BlankKeyIsSent) {
    transport.enqueue(Script::reply(401));
    auto out = ask(client(QStringLiteral(" ")));
    scheduler.runPending();
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].header("Authorization"), "Bearer  ");
    EXPECT_EQ(errorOf(*out), OpenAIError::invalidKey());
}

TEST_F(OpenAIClientTest, QuotaIsRetriedTwiceAfterTwoThenFourSeconds) {
    for (int i = 0; i < 3; ++i)
        transport.enqueue(Script::reply(429, "{}"));
    auto out = ask(client());
    scheduler.runPending();
    EXPECT_EQ(transport.requests.size(), 1);
    scheduler.advance(1999ms);
    EXPECT_EQ(transport.requests.size(), 1);
    scheduler.advance(1ms);
    EXPECT_EQ(transport.requests.size(), 2);
    scheduler.advance(3999ms);
    EXPECT_EQ(transport.requests.size(), 2);
    EXPECT_FALSE(out->has_value());
    scheduler.advance(1ms);
    EXPECT_EQ(transport.requests.size(), 3);
    EXPECT_EQ(errorOf(*out).message(), "No credit left or rate limit reached on your OpenAI account.");
    EXPECT_EQ(scheduler.now(), 6s);
    scheduler.advance(60s);
    EXPECT_EQ(transport.requests.size(), 3) << "no fourth attempt";
    EXPECT_EQ(transport.requests[2].body, transport.requests[0].body) << "the same body every time";
}

TEST_F(OpenAIClientTest, ServerErrorsThenSuccessReturnsTheResult) {
    transport.enqueue(Script::reply(503));
    transport.enqueue(Script::fail());
    transport.enqueue(Script::reply(200, chatReply(correctionJson)));
    auto out = ask(client());
    scheduler.advance(6s);
    ASSERT_TRUE(out->has_value());
    EXPECT_TRUE(std::holds_alternative<CorrectionResult>(**out));
    EXPECT_EQ(transport.requests.size(), 3);
}

TEST_F(OpenAIClientTest, EachFailureSaysWhatHappened) {
    // A server error that outlasts the retries names its status; the last attempt's failure is told.
    transport.enqueue(Script::fail());
    transport.enqueue(Script::reply(500));
    transport.enqueue(Script::reply(503, "<html>busy</html>"));
    auto out = ask(client());
    scheduler.advance(6s);
    EXPECT_EQ(errorOf(*out), OpenAIError::serverError(503));
    EXPECT_EQ(transport.requests.size(), 3);

    // A certificate that does not verify will not verify two seconds later either.
    transport.enqueue(Script::untrusted());
    out = ask(client());
    scheduler.advance(10s);
    EXPECT_EQ(errorOf(*out), OpenAIError::certificate());
    EXPECT_EQ(transport.requests.size(), 4);

    auto untouched = ask(client());  // the fake fails every unscripted request
    scheduler.advance(6s);
    EXPECT_EQ(errorOf(*untouched), OpenAIError::offline());

    // A local server that is not running is named, with the address the user gave.
    for (int i = 0; i < 3; ++i)
        transport.enqueue(Script::refuse());
    out = ask(client("sk-test", "http://127.0.0.1:11434/v1"));
    scheduler.advance(6s);
    EXPECT_EQ(errorOf(*out).message(), "Nothing answers at 127.0.0.1:11434. Is the server running?");
    transport.enqueue(Script::refuse());
    std::optional<Outcome<QStringList>> listed;
    client("", "http://[::1]").listModels([&](Outcome<QStringList> o) { listed = std::move(o); });
    scheduler.runPending();
    EXPECT_EQ(errorOf(listed), OpenAIError::refused("[::1]:80"));
    // The server's own words are passed on on one line.
    EXPECT_EQ(OpenAIError::serverMessage(" The model\n is overloaded ").message(), "The model is overloaded");
}

TEST_F(OpenAIClientTest, OneDeadlineCoversEveryAttemptAndPause) {
    // Silent: 30 s until the first attempt gives up, 2 s of pause, and the second attempt is cut off
    // where a minute is over, not 96 s in.
    transport.enqueue(Script::hang());
    transport.enqueue(Script::hang());
    auto out = ask(client());
    scheduler.advance(59999ms);
    EXPECT_FALSE(out->has_value());
    EXPECT_EQ(transport.requests.size(), 2);
    scheduler.advance(1ms);
    EXPECT_EQ(errorOf(*out), OpenAIError::timedOut()) << "the network is fine: the server is silent";
    EXPECT_EQ(transport.inFlight(), 0u) << "the second attempt is abandoned";

    // A byte every 20 s keeps any idle time-out from firing; the deadline still ends it.
    transport.enqueue(Script::stall());
    out = ask(client());
    scheduler.advance(60s);
    EXPECT_EQ(errorOf(*out), OpenAIError::timedOut());
    EXPECT_EQ(transport.inFlight(), 0u);
    EXPECT_EQ(transport.cancelled, 2);

    // When the deadline falls in a pause, the failure that led to the pause is the answer.
    transport.enqueue(Script::reply(502, {}, 59s));
    out = ask(client());
    scheduler.advance(60s);
    EXPECT_EQ(errorOf(*out), OpenAIError::serverError(502));
    scheduler.advance(60s);
    EXPECT_EQ(transport.requests.size(), 4) << "no attempt after the deadline";
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(OpenAIClientTest, CancelStopsTheAttemptAndEveryRetry) {
    transport.enqueue(Script::reply(429));
    std::optional<Outcome<CorrectionResult>> out;
    PendingRequest pending = client().request<CorrectionResult>(
        Prompts::proofreading(), "I goed.", 0.2, [&](Outcome<CorrectionResult> o) { out = std::move(o); });
    scheduler.advance(1s);  // the first attempt failed; the retry waits for its turn
    EXPECT_TRUE(pending.isActive());
    pending.cancel();
    EXPECT_FALSE(pending.isActive());
    scheduler.advance(2min);
    EXPECT_EQ(transport.requests.size(), 1) << "the retry never goes out";
    EXPECT_FALSE(out.has_value()) << "nobody is told";
    EXPECT_EQ(scheduler.pendingTimers(), 0u);

    transport.enqueue(Script::stall());
    pending = client().request<CorrectionResult>(Prompts::proofreading(), "I goed.", 0.2,
                                                 [&](Outcome<CorrectionResult> o) { out = std::move(o); });
    scheduler.runPending();
    EXPECT_EQ(transport.inFlight(), 1u);
    pending.cancel();
    EXPECT_EQ(transport.inFlight(), 0u) << "the transfer itself stops";
    pending.cancel();  // twice is harmless
    scheduler.advance(2min);
    EXPECT_FALSE(out.has_value());
}

TEST_F(OpenAIClientTest, TheKeyIsAskedForOnlyWhenARequestIsAboutToGoOut) {
    std::deque<std::function<void(KeyAnswer)>> asks;
    OpenAIClient lazy(
        SettingsStore::defaultApiBaseURL,
        [&](std::function<void(KeyAnswer)> give) { asks.push_back(std::move(give)); },
        QStringLiteral("gpt-4o-mini"), transport, scheduler, recognizer);
    EXPECT_TRUE(asks.empty());
    transport.enqueue(Script::stall());
    auto out = ask(lazy);
    ASSERT_EQ(asks.size(), 1u);
    scheduler.advance(5min);  // an unlock prompt is the user's time: no deadline runs yet
    EXPECT_TRUE(transport.requests.isEmpty());
    asks.front()(KeyAnswer::of(QStringLiteral("sk-late")));
    EXPECT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].header("Authorization"), "Bearer sk-late");
    scheduler.advance(59s);
    EXPECT_FALSE(out->has_value());
    scheduler.advance(1s);
    EXPECT_EQ(errorOf(*out), OpenAIError::timedOut());

    // No key to be had: the missing-key answer, later, with nothing sent; a cancelled request
    // ignores a key that comes after.
    out = ask(lazy);
    asks.back()(KeyAnswer::of(QString()));
    EXPECT_FALSE(out->has_value());
    scheduler.runPending();
    EXPECT_EQ(errorOf(*out), OpenAIError::missingKey());
    PendingRequest pending = lazy.request<CorrectionResult>(Prompts::proofreading(), "x", 0.2, {});
    pending.cancel();
    asks.back()(KeyAnswer::of(QStringLiteral("sk-late")));
    EXPECT_EQ(transport.requests.size(), 1);
}

TEST_F(OpenAIClientTest, NonRetryableFailuresStopAtOnce) {
    EXPECT_EQ(failWith(401, "{}"), OpenAIError::invalidKey());
    EXPECT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(failWith(404, "{}"), OpenAIError::badResponse("HTTP 404"));
    EXPECT_EQ(transport.requests.size(), 2);
    for (int status : {201, 204, 302, 400, 418, 499, 600}) {
        EXPECT_EQ(failWith(status, chatReply(correctionJson)),
                  OpenAIError::badResponse(QStringLiteral("HTTP %1").arg(status)));
    }
    EXPECT_EQ(transport.requests.size(), 9) << "none of them retried";
}

TEST_F(OpenAIClientTest, BadRepliesEndInBadResponse) {
    const QString empty = OpenAIError::emptyContentDetail;
    const QString json = OpenAIError::jsonDetail;
    const std::pair<QByteArray, QString> cases[] = {
        {"not json at all", empty},
        {"", empty},
        {R"(["choices"])", empty},
        {R"({"choices": []})", empty},
        {R"({"choices": {}})", empty},
        {R"({"object": "chat.completion"})", empty},
        {R"({"choices": [{"message": {"content": null}}]})", empty},
        {R"({"choices": [{"message": {"content": 42}}]})", empty},
        {R"({"choices": [{"message": {}}]})", empty},
        {R"({"choices": [{"text": "legacy"}]})", empty},
        {R"({"choices": [{"message": {"content": "{}"}}, {"message": {"content": null}}]})", empty},
        {"{\"choices\": [{\"message\": {\"content\": \"\xff\xfe\"}}]}", empty},        // invalid UTF-8
        {R"({"choices": [{"message": {"content": "\ud800 lone"}}]})", empty},          // no UTF-8 form
        {chatReply("```json\n" + QString::fromUtf8(correctionJson) + "\n```"), json},  // Markdown fence
        {chatReply("Sure! Here it is: " + QString::fromUtf8(correctionJson)), json},
        {chatReply(R"({"corrected": "x"})"), json},
        {chatReply(R"({"variants": []})"), json},
        {chatReply(""), json},
        {chatReply(R"({"choices":)"), json},
    };
    for (const auto& [body, detail] : cases) {
        EXPECT_EQ(failWith(200, body), OpenAIError::badResponse(detail)) << body.left(80).toStdString();
    }
}

TEST_F(OpenAIClientTest, OversizedRepliesAreRefused) {
    QByteArray huge = chatReply(QString::fromUtf8(correctionJson));
    huge.insert(1, QByteArray("\"padding\": \"") + QByteArray(5 * 1024 * 1024, 'x') + "\", ");
    EXPECT_EQ(failWith(200, huge), OpenAIError::badResponse("odgovor je prevelik"));
    EXPECT_EQ(transport.requests.last().maxReplyBytes, 4 * 1024 * 1024);
    // The client holds the line even when a transport hands over more than it was asked to keep.
    EXPECT_EQ(OpenAIClient::decodeReply<CorrectionResult>(HttpReply::response(200, huge)),
              Outcome<CorrectionResult>(OpenAIError::badResponse("odgovor je prevelik")));
}

TEST_F(OpenAIClientTest, TextIsCutToFiveThousandCharactersBeforeTheHint) {
    // "é" as e + combining accent: two UTF-16 units, one character.
    const QString accent = QStringLiteral("e\u0301");
    QString text;
    for (int i = 0; i < 6000; ++i)
        text += accent;
    const QString cut = OpenAIClient::cutText(text);
    EXPECT_EQ(cut.size(), 10000);
    EXPECT_TRUE(cut.endsWith(accent)) << "a character is never split";

    // A family emoji is one character of seven code points.
    const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    EXPECT_EQ(OpenAIClient::cutText(QString(4999, 'a') + family + family), QString(4999, 'a') + family);
    EXPECT_EQ(OpenAIClient::cutText(QString(5000, 'a')), QString(5000, 'a'));
    EXPECT_EQ(OpenAIClient::cutText(QString()), QString());

    transport.enqueue(Script::reply(200, chatReply(correctionJson)));
    ask(client(), QString(5000, 'x') + QStringLiteral(" tail that is never sent"));
    scheduler.runPending();
    ASSERT_EQ(recognizer.asked.size(), 1);
    EXPECT_EQ(recognizer.asked[0], QString(5000, 'x')) << "the hint is computed on the cut text";
    EXPECT_EQ(sentMessage(0, 1),
              QString(5000, 'x') + "\n\n(Text language: en — respond in the same language.)");

    // No language means no hint.
    recognizer.answer.reset();
    transport.enqueue(Script::reply(200, chatReply(correctionJson)));
    ask(client(), QStringLiteral("12 + 34"));
    scheduler.runPending();
    EXPECT_EQ(sentMessage(1, 1), "12 + 34");
}

// A refused key, a network failure and a bad certificate are checked against a real server; a key
// that may not go, in ServerKeysTest.
TEST_F(OpenAIClientTest, ValidateKeyIsOneGetWithoutRetries) {
    const std::pair<Script, bool> cases[] = {
        {Script::reply(200, "{\"data\": []}"), true},
        {Script::reply(500), false},
        {Script::reply(204), false},
        {Script::stall(), false},  // ends at the deadline
    };
    for (const auto& [script, expected] : cases) {
        transport.enqueue(script);
        std::optional<bool> valid;
        client().validateKey([&](bool ok) { valid = ok; });
        scheduler.advance(60s);
        EXPECT_EQ(valid, expected) << script.status;
    }
    ASSERT_EQ(transport.requests.size(), 4);
    const HttpRequest& sent = transport.requests[0];
    EXPECT_EQ(sent.method, "GET");
    EXPECT_EQ(sent.url, QUrl("https://api.openai.com/v1/models"));
    EXPECT_EQ(sent.header("Authorization"), "Bearer sk-test");
    EXPECT_TRUE(sent.header("Content-Type").isEmpty());
    EXPECT_TRUE(sent.body.isEmpty());
    EXPECT_EQ(sent.timeout, 60s);
}

TEST(ModelServersTest, ModelListKeepsTheServersOrderAndSkipsWhatIsNoName) {
    EXPECT_THAT(*ModelServers::parseModelList(
                    R"({"object": "list", "data": [{"id": "llama3:8b"}, {"id": "qwen2.5"}, {"id": " "},
                       {"name": "no id"}, 7, {"id": "llama3:8b"}, {"id": "mistral"}]})"),
                ElementsAre("llama3:8b", "qwen2.5", "mistral"));
    EXPECT_THAT(*ModelServers::parseModelList(R"({"data": []})"), ElementsAre());
    for (const char* body : {"", "[]", R"({"models": []})", R"({"data": {}})", "<html>"})
        EXPECT_FALSE(ModelServers::parseModelList(body).has_value()) << body;
}

class ModelListRequestTest : public ClientTest {
protected:
    std::optional<Outcome<QStringList>> list(const QString& base, const QString& key) {
        std::optional<Outcome<QStringList>> out;
        client(key, base).listModels([&](Outcome<QStringList> o) { out = std::move(o); });
        scheduler.advance(70s);
        return out;
    }
};

TEST_F(ModelListRequestTest, OneGetOfTheServersListWithItsFailuresSaid) {
    transport.enqueue(Script::reply(200, R"({"data": [{"id": "llama3"}]})"));
    const auto out = list("http://localhost:11434/v1/", QString());
    ASSERT_TRUE(out && std::holds_alternative<QStringList>(*out));
    EXPECT_THAT(std::get<QStringList>(*out), ElementsAre("llama3"));
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].method, "GET");
    EXPECT_EQ(transport.requests[0].url, QUrl("http://localhost:11434/v1/models"));

    EXPECT_EQ(errorOf(list(SettingsStore::defaultApiBaseURL, QString())), OpenAIError::missingKey());
    EXPECT_EQ(transport.requests.size(), 1) << "the hosted service is not asked without a key";

    transport.enqueue(Script::reply(401));
    EXPECT_EQ(errorOf(list("http://localhost:1234", QString())), OpenAIError::invalidKey());
    transport.enqueue(Script::reply(200, "<html>not found</html>"));
    EXPECT_EQ(errorOf(list("http://localhost:1234", QString())).kind(), OpenAIError::Kind::badResponse);
    transport.enqueue(Script::fail());
    EXPECT_EQ(errorOf(list("http://localhost:1234", QString())), OpenAIError::offline());
    EXPECT_EQ(transport.requests.size(), 4) << "never retried: the user can press Refresh again";
}

}  // namespace
