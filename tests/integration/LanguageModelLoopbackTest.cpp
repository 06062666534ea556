// The language-model client over real sockets: Qt Network against a loopback server owned by the test.
#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include "core/Prompts.h"
#include "core/SuggestionViewModel.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/linux/qt/QtHttpTransport.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/system/Cld2LanguageRecognizer.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedSettings.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace std::chrono_literals;
using test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using Mode = Response::Mode;

namespace {

class LanguageModelLoopbackTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        base = server.baseUrl() + "/";
    }

    OpenAIClient client(Scheduler& clock, const QString& key = QStringLiteral("sk-loopback")) {
        return OpenAIClient(base, key, QStringLiteral("gpt-4o-mini"), transport, clock, languages);
    }

    // One exchange through the real transport.
    HttpReply fetch(const QByteArray& method, const QString& path, std::chrono::milliseconds timeout = 5s) {
        HttpRequest request;
        request.method = method;
        request.url = QUrl(server.baseUrl() + path);
        request.timeout = timeout;
        request.maxReplyBytes = 4 * 1024 * 1024;
        std::optional<HttpReply> reply;
        transport.send(request, [&](HttpReply r) { reply = std::move(r); });
        EXPECT_TRUE(test::waitUntil([&] { return reply.has_value(); }, 20000));
        return reply.value_or(HttpReply::transportFailure("no answer"));
    }

    std::optional<bool> validate(const QString& key) {
        std::optional<bool> valid;
        client(scheduler, key).validateKey([&](bool ok) { valid = ok; });
        test::waitUntil([&] { return valid.has_value(); }, 20000);
        return valid;
    }

    test::ScopedSettings settings;
    LoopbackHttpServer server;
    QString base;
    QtScheduler scheduler;
    QtHttpTransport transport;
    Cld2LanguageRecognizer languages;
};

TEST_F(LanguageModelLoopbackTest, BothRequestsOverlapAndLandInTheModel) {
    server.model.acceptedKey = QStringLiteral("sk-loopback");
    server.model.delayMs = 250;
    server.model.correct = [](const QString& text) { return QString(text).replace("teh", "the"); };
    SuggestionViewModel model(QStringLiteral("I saw teh cat sitting on the warm mat today."),
                              client(scheduler));
    model.loadAll();
    ASSERT_TRUE(
        test::waitUntil([&] { return !model.correction().isLoading() && !model.rephrase().isLoading(); }));

    ASSERT_TRUE(model.correction().isLoaded()) << model.correction().message().toStdString();
    EXPECT_EQ(model.correction().result()->corrected, "I saw the cat sitting on the warm mat today.");
    ASSERT_TRUE(model.rephrase().isLoaded()) << model.rephrase().message().toStdString();
    EXPECT_EQ(model.rephrase().result()->variants.size(), 3);

    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.peakConcurrent(), 2) << "the server saw both requests waiting at once";
    for (const auto& request : server.requests()) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/v1/chat/completions");
        EXPECT_EQ(request.header("Authorization"), "Bearer sk-loopback");
        EXPECT_EQ(request.header("Content-Type"), "application/json");
        EXPECT_TRUE(QString::fromUtf8(request.body)
                        .contains("(Text language: en \u2014 respond in the same language.)"));
    }
}

TEST_F(LanguageModelLoopbackTest, ValidateKeyAgainstARealServer) {
    server.model.acceptedKey = QStringLiteral("sk-good");
    EXPECT_EQ(validate("sk-good"), true);
    EXPECT_EQ(validate("sk-bad"), false);
    server.enqueue(Response::json(500, "{}"));
    EXPECT_EQ(validate("sk-good"), false);
    ASSERT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].path, "/v1/models");
    EXPECT_TRUE(server.requests()[0].body.isEmpty());
    EXPECT_EQ(server.requests()[2].connection, server.requests()[0].connection)
        << "the connection is kept alive";

    // A port nobody listens on.
    quint16 closedPort = 0;
    {
        LoopbackHttpServer gone;
        closedPort = gone.serverPort();
    }
    base = QStringLiteral("http://127.0.0.1:%1").arg(closedPort);
    EXPECT_EQ(validate("sk-good"), false);
}

TEST_F(LanguageModelLoopbackTest, BrokenRepliesAreFailuresNotAnswers) {
    const QByteArray body = LoopbackHttpServer::chatEnvelope(R"({"corrected": "x", "changes": []})");

    server.enqueue(Response{200, body, 0, Mode::cutOff, {}});
    EXPECT_EQ(fetch("POST", "/v1/chat/completions").kind, HttpReply::Kind::failure) << "cut off mid-body";

    // Qt sends a request again when a kept-alive connection closes under it, so these servers misbehave
    // every time.
    for (Mode mode : {Mode::closeAtOnce, Mode::notHttp}) {
        server.responder = [mode](const LoopbackHttpServer::Request&) { return Response::of(mode); };
        EXPECT_EQ(fetch("POST", "/v1/chat/completions").kind, HttpReply::Kind::failure) << int(mode);
    }
    server.responder = nullptr;

    server.enqueue(Response::of(Mode::silent));
    QElapsedTimer clock;
    clock.start();
    const HttpReply silent = fetch("POST", "/v1/chat/completions", 400ms);
    EXPECT_EQ(silent.kind, HttpReply::Kind::failure);
    EXPECT_EQ(silent.cause, HttpReply::Cause::timedOut) << "connected, then nothing: not the network";
    EXPECT_GE(clock.elapsed(), 350);
    EXPECT_LT(clock.elapsed(), 5000) << "the idle time-out ends a silent server";

    // Each failure of the connection is told apart: nothing listening, and no such name.
    quint16 closedPort = 0;
    {
        LoopbackHttpServer gone;
        closedPort = gone.serverPort();
    }
    for (const auto& [url, cause] :
         {std::pair{QStringLiteral("http://127.0.0.1:%1/v1/models").arg(closedPort),
                    HttpReply::Cause::refused},
          std::pair{QStringLiteral("http://quillet-test.invalid/v1/models"), HttpReply::Cause::network}}) {
        HttpRequest request;
        request.url = QUrl(url);
        std::optional<HttpReply> reply;
        transport.send(request, [&](HttpReply r) { reply = std::move(r); });
        ASSERT_TRUE(test::waitUntil([&] { return reply.has_value(); }, 20000)) << url.toStdString();
        EXPECT_EQ(reply->kind, HttpReply::Kind::failure) << url.toStdString();
        EXPECT_EQ(reply->cause, cause) << url.toStdString();
    }

    // Statuses are answers, whatever Qt thinks of them.
    for (int status : {400, 401, 404, 429, 503}) {
        server.enqueue(Response::json(status, "{\"error\": {}}"));
        const HttpReply reply = fetch("POST", "/v1/chat/completions");
        EXPECT_EQ(reply.kind, HttpReply::Kind::response) << status;
        EXPECT_EQ(reply.status, status);
        EXPECT_EQ(reply.body, "{\"error\": {}}");
    }

    // A redirect is reported, not followed.
    server.enqueue(Response{302, {}, 0, Mode::normal, {{"Location", "http://127.0.0.1:9/elsewhere"}}});
    EXPECT_EQ(fetch("POST", "/v1/chat/completions").status, 302);
}

TEST_F(LanguageModelLoopbackTest, ATricklingServerEndsAtTheDeadlineAndLosesItsConnection) {
    server.responder = [](const LoopbackHttpServer::Request&) { return Response::of(Mode::trickle); };
    OpenAIClient c = client(scheduler);
    c.setDeadline(1500ms);  // a byte every 250 ms would keep any idle time-out from firing
    std::optional<Outcome<CorrectionResult>> out;
    QElapsedTimer clock;
    clock.start();
    c.request<CorrectionResult>(Prompts::proofreading(), "Some text here.", 0.2,
                                [&](Outcome<CorrectionResult> o) { out = std::move(o); });
    ASSERT_TRUE(test::waitUntil([&] { return out.has_value(); }, 10000));
    EXPECT_EQ(std::get<OpenAIError>(*out), OpenAIError::timedOut());
    EXPECT_GE(clock.elapsed(), 1400);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(test::waitUntil([&] { return server.trickling() == 0; }, 3000)) << "the transfer is dropped";

    // Cancelled by hand, as Escape does: the connection goes at once.
    PendingRequest pending = c.request<CorrectionResult>(Prompts::proofreading(), "Some text here.", 0.2,
                                                         [&](Outcome<CorrectionResult>) { FAIL(); });
    ASSERT_TRUE(test::waitUntil([&] { return server.trickling() == 1; }, 5000));
    pending.cancel();
    EXPECT_TRUE(test::waitUntil([&] { return server.trickling() == 0; }, 3000));
}

TEST_F(LanguageModelLoopbackTest, OversizedRepliesAreAbandoned) {
    const QByteArray huge(5 * 1024 * 1024, 'x');
    server.enqueue(Response::json(200, huge));
    HttpReply reply = fetch("POST", "/v1/chat/completions");
    EXPECT_EQ(reply.kind, HttpReply::Kind::tooLarge) << "announced length";
    EXPECT_TRUE(reply.body.isEmpty());

    server.enqueue(Response{200, huge, 0, Mode::unsized, {}});
    reply = fetch("POST", "/v1/chat/completions");
    EXPECT_EQ(reply.kind, HttpReply::Kind::tooLarge) << "counted while streaming";
    EXPECT_EQ(reply.status, 200);

    server.enqueue(Response{200, "{\"small\": true}", 0, Mode::unsized, {}});
    reply = fetch("POST", "/v1/chat/completions");
    EXPECT_EQ(reply.kind, HttpReply::Kind::response);
    EXPECT_EQ(reply.body, "{\"small\": true}");
}

TEST(LanguageModelTlsTest, KeyNeverLeavesForAnUntrustedCertificate) {
    test::ScopedSettings settings;
    LoopbackHttpServer server(LoopbackHttpServer::Security::tls);
    ASSERT_TRUE(server.tlsReady()) << "openssl could not make a certificate";
    QtHttpTransport transport;
    Cld2LanguageRecognizer languages;
    FakeScheduler pauses;
    const OpenAIClient client(server.baseUrl(), "sk-secret", "gpt-4o-mini", transport, pauses, languages);

    std::optional<bool> valid;
    client.validateKey([&](bool ok) { valid = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return valid.has_value(); }, 20000));
    EXPECT_FALSE(*valid);

    // Said as it is, and not tried again: the certificate will not be any better in two seconds.
    std::optional<Outcome<CorrectionResult>> out;
    client.request<CorrectionResult>(Prompts::proofreading(), "Hello there friend.", 0.2,
                                     [&](Outcome<CorrectionResult> o) { out = std::move(o); });
    ASSERT_TRUE(test::waitUntil([&] { return out.has_value(); }, 20000));
    EXPECT_EQ(std::get<OpenAIError>(*out), OpenAIError::certificate());
    EXPECT_EQ(std::get<OpenAIError>(*out).message(), "The server's certificate could not be verified.");
    pauses.advance(10s);
    EXPECT_TRUE(server.requests().isEmpty()) << "not one request, so no key, reached the server";
    // The client may give up before the server has seen the handshake fail on its side.
    EXPECT_TRUE(test::waitUntil([&] { return server.failedHandshakes() >= 2; }, 20000));
    EXPECT_EQ(server.failedHandshakes(), 2);

    // The server itself is sound: a client that waives the check does get through.
    QNetworkAccessManager careless;
    QNetworkRequest request(QUrl(server.baseUrl() + "/v1/models"));
    QNetworkReply* reply = careless.get(request);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [reply] { reply->ignoreSslErrors(); });
    ASSERT_TRUE(test::waitUntil([&] { return reply->isFinished(); }, 20000));
    EXPECT_EQ(server.requests().size(), 1);
    delete reply;
}

}  // namespace

TEST_F(LanguageModelLoopbackTest, AStreamedAnswerArrivesPieceByPieceWithoutAKey) {
    server.model.tokensPerSecond = 50;
    server.model.correct = [](const QString&) {
        return QStringLiteral("Đak je otišao u školu 🎒 i vratio se kući.");
    };
    const OpenAIClient keyless(base, QString(), "llama3", transport, scheduler, languages);

    std::optional<Outcome<CorrectionResult>> out;
    QStringList shown;
    QElapsedTimer clock;
    clock.start();
    qint64 firstWords = -1;
    keyless.request<CorrectionResult>(
        Prompts::proofreading(), "Đak je otišo u školu.", 0.2,
        [&](Outcome<CorrectionResult> o) { out = std::move(o); },
        [&](const PartialAnswer& partial) {
            if (firstWords < 0 && !partial.corrected().isEmpty())
                firstWords = clock.elapsed();
            shown << partial.corrected();
        });
    ASSERT_TRUE(test::waitUntil([&] { return out.has_value(); }, 20000));
    const qint64 whole = clock.elapsed();
    ASSERT_TRUE(std::holds_alternative<CorrectionResult>(*out));
    EXPECT_EQ(std::get<CorrectionResult>(*out).corrected, "Đak je otišao u školu 🎒 i vratio se kući.");
    EXPECT_EQ(shown.last(), "Đak je otišao u školu 🎒 i vratio se kući.");
    EXPECT_GE(shown.size(), 5);
    EXPECT_LT(firstWords * 3, whole) << "the first words came long before the last";
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests()[0].header("Authorization").isEmpty());

    server.model.models = {"llama3:8b", "qwen2.5:7b"};
    std::optional<Outcome<QStringList>> listed;
    keyless.listModels([&](Outcome<QStringList> o) { listed = std::move(o); });
    ASSERT_TRUE(test::waitUntil([&] { return listed.has_value(); }, 20000));
    ASSERT_TRUE(std::holds_alternative<QStringList>(*listed));
    EXPECT_EQ(std::get<QStringList>(*listed), QStringList({"llama3:8b", "qwen2.5:7b"}));
}

// The key saved for the default service never travels to another server; another server gets the key
// saved for it, and one on plain HTTP beyond this machine only once the user allowed it.
TEST_F(LanguageModelLoopbackTest, AKeyGoesOnlyToTheServerItWasSavedFor) {
    FakeScheduler storeClock;
    FakeDefaults defaults;
    FakeSecretStore secrets;
    FakeAutostart login;
    FakeSystemLog log;
    SettingsStore store(defaults, secrets, login, log, storeClock);
    store.setApiKey(QStringLiteral("sk-service-key"));
    auto correct = [&](const QString& server) {
        std::optional<Outcome<CorrectionResult>> out;
        const OpenAIClient c(server, store.apiKeySource(server), "m", transport, scheduler, languages);
        c.request<CorrectionResult>(Prompts::proofreading(), "Some words here.", 0.2,
                                    [&](Outcome<CorrectionResult> o) { out = std::move(o); });
        EXPECT_TRUE(test::waitUntil([&] { return out.has_value(); }, 20000));
        storeClock.runPending();
        return out.value_or(OpenAIError::missingKey());
    };
    auto lastKey = [&] { return server.requests().last().header("Authorization"); };

    store.setApiBaseURL(server.baseUrl());
    EXPECT_TRUE(std::holds_alternative<CorrectionResult>(correct(server.baseUrl())));
    EXPECT_TRUE(lastKey().isEmpty()) << "none saved for this server: none sent";
    store.setApiKey(QStringLiteral("sk-local-key"));
    server.model.acceptedKey = QStringLiteral("sk-local-key");
    EXPECT_TRUE(std::holds_alternative<CorrectionResult>(correct(server.baseUrl() + "/v1")));
    EXPECT_EQ(lastKey(), "Bearer sk-local-key");
    std::optional<Outcome<QStringList>> listed;
    OpenAIClient(server.baseUrl(), store.apiKeySource(server.baseUrl()), "m", transport, scheduler, languages)
        .listModels([&](Outcome<QStringList> o) { listed = std::move(o); });
    ASSERT_TRUE(test::waitUntil([&] { return listed.has_value(); }, 20000));
    EXPECT_EQ(lastKey(), "Bearer sk-local-key") << "the model list follows the same rule";

    // The same server seen from the network: plain HTTP to another address.
    const QString lan = server.openToNetwork();
    if (lan.isEmpty())
        GTEST_SKIP() << "no network interface besides loopback";
    store.setApiBaseURL(lan);
    store.setApiKey(QStringLiteral("sk-lan-key"));
    server.model.acceptedKey = QStringLiteral("sk-lan-key");
    EXPECT_EQ(std::get<OpenAIError>(correct(lan)), OpenAIError::keyWithheld());
    EXPECT_TRUE(lastKey().isEmpty()) << "not in clear text until allowed";
    store.setPlainHttpKeyAllowed(true);
    EXPECT_TRUE(std::holds_alternative<CorrectionResult>(correct(lan)));
    EXPECT_EQ(lastKey(), "Bearer sk-lan-key");

    for (const auto& request : server.requests())
        EXPECT_FALSE(request.header("Authorization").contains("sk-service-key"));
    store.setApiBaseURL(SettingsStore::defaultApiBaseURL);
    std::optional<QString> kept;
    store.readAPIKey(KeychainManager::Access::quiet, [&](const QString& k) { kept = k; });
    storeClock.runPending();
    EXPECT_EQ(kept, "sk-service-key") << "back on the default service, its key is still there";
}

TEST_F(LanguageModelLoopbackTest, ACutOrGarbledStreamIsSaidNotRetried) {
    server.model.tokensPerSecond = 200;
    auto ask = [&] {
        std::optional<Outcome<CorrectionResult>> out;
        client(scheduler).request<CorrectionResult>(Prompts::proofreading(), "Hello there friend.", 0.2,
                                                    [&](Outcome<CorrectionResult> o) { out = std::move(o); });
        EXPECT_TRUE(test::waitUntil([&] { return out.has_value(); }, 20000));
        return out.has_value() && std::holds_alternative<OpenAIError>(*out) ? std::get<OpenAIError>(*out)
                                                                            : OpenAIError::missingKey();
    };
    server.model.cutAfterTokens = 3;
    EXPECT_EQ(ask(), OpenAIError::interrupted());
    EXPECT_EQ(server.requests().size(), 1);

    server.model.cutAfterTokens = -1;
    server.model.garbageAfterTokens = 2;
    EXPECT_EQ(ask(), OpenAIError::badResponse(OpenAIError::streamDetail));
    EXPECT_EQ(server.requests().size(), 2);
}
