// Which servers need a key, which key goes to which server, and what a request does with each
// answer of the keyring.
#include "CoreTestSupport.h"
#include "core/KeyRequirement.h"
#include "core/ServerKeys.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;
using State = KeyAnswer::State;

namespace {

TEST(ServerKeysTest, EachServerIsNamedByItsAddressAndOnlyTheServiceOverHttpsIsTheDefault) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://api.openai.com", ""},
        {"https://API.openai.com:443/v1/", ""},
        {"https://api.openai.com/some/gateway/path", ""},
        // The service's host over plain HTTP, or on another port, is another server.
        {"http://api.openai.com", "http://api.openai.com"},
        {"https://api.openai.com:8443", "https://api.openai.com:8443"},
        {"http://127.0.0.1:11434/v1", "http://127.0.0.1:11434"},
        {"http://127.0.0.1:11434/", "http://127.0.0.1:11434"},
        {" HTTP://LocalHost:8080//v1// ", "http://localhost:8080"},
        {"http://gateway.lan:80/openai/", "http://gateway.lan/openai"},
        {"https://[::1]:8443/v1", "https://[::1]:8443"},
    };
    for (const auto& [url, slot] : cases)
        EXPECT_EQ(ServerKeys::slotOf(QString::fromLatin1(url)), QString::fromLatin1(slot)) << url;

    for (const char* host : {"localhost", "LOCALHOST.", "127.0.0.1", "127.8.9.10", "::1"})
        EXPECT_TRUE(ServerKeys::isLoopback(QString::fromLatin1(host))) << host;
    for (const char* host : {"192.168.1.5", "10.0.0.1", "localhost.example.com", "128.0.0.1", "::2", ""})
        EXPECT_FALSE(ServerKeys::isLoopback(QString::fromLatin1(host))) << host;

    EXPECT_TRUE(ServerKeys::isPlainRemote("http://192.168.1.5:8080"));
    EXPECT_TRUE(ServerKeys::isPlainRemote("http://api.openai.com"));
    EXPECT_FALSE(ServerKeys::isPlainRemote("http://127.0.0.1:11434"));
    EXPECT_FALSE(ServerKeys::isPlainRemote("https://gateway.example"));
}

TEST(ServerKeysTest, WhatGoesWithARequestForEachAnswerOfTheKeyring) {
    const QString service = SettingsStore::defaultApiBaseURL;
    const QString local = QStringLiteral("http://127.0.0.1:8080");
    const QString lan = QStringLiteral("http://192.168.1.5:8080");
    auto answer = [](State state, const QString& key = {}, bool expected = false, bool allowed = false) {
        return KeyAnswer{state, key, expected, allowed};
    };
    struct Case {
        QString server;
        KeyAnswer answer;
        QString key;
        std::optional<OpenAIError> refusal;
        std::optional<OpenAIError> leftBehind;
    };
    const Case cases[] = {
        {service, answer(State::found, "sk-a"), "sk-a", {}, {}},
        {service, answer(State::none), {}, OpenAIError::missingKey(), {}},
        {service, answer(State::found, ""), {}, OpenAIError::missingKey(), {}},
        {service, answer(State::found, "sk-a\r\nX: 1"), {}, OpenAIError::invalidKey(), {}},
        {service, answer(State::locked), {}, OpenAIError::keyringLocked(), {}},
        {service, answer(State::unavailable), {}, OpenAIError::keyringUnavailable(), {}},
        // A server of the user's own may need no key.
        {local, answer(State::none), {}, {}, {}},
        {local, answer(State::found, "sk-l"), "sk-l", {}, {}},
        {local, answer(State::locked), {}, OpenAIError::keyringLocked(), {}},
        {local, answer(State::unavailable, {}, true), {}, OpenAIError::keyringUnavailable(), {}},
        {local, answer(State::unavailable), {}, {}, OpenAIError::keyringUnavailable()},
        // Plain HTTP to another machine carries a key only once the user allowed it.
        {lan, answer(State::found, "sk-n"), {}, {}, OpenAIError::keyWithheld()},
        {lan, answer(State::found, "sk-n", false, true), "sk-n", {}, {}},
    };
    for (const Case& c : cases) {
        const ServerKeys::Decision d = ServerKeys::decide(c.server, c.answer);
        const std::string what = c.server.toStdString() + " " + std::to_string(int(c.answer.state));
        EXPECT_EQ(d.key, c.key) << what;
        EXPECT_EQ(d.refusal, c.refusal) << what;
        EXPECT_EQ(d.keyLeftBehind, c.leftBehind) << what;
    }
}

// The client does what the decision says: nothing sent, a bare request, and a 401 told as its cause.
class ServerKeysClientTest : public ClientTest {
protected:
    OpenAIClient clientFor(const QString& server, KeyAnswer answer) const {
        return OpenAIClient(server,
                            KeySource([answer](const std::function<void(KeyAnswer)>& give) { give(answer); }),
                            QStringLiteral("m"), transport, scheduler, recognizer);
    }
};

TEST_F(ServerKeysClientTest, TheKeyringsAnswerDecidesTheRequestAndWhatARefusalMeans) {
    // A hung keyring and a server that needs a key: nothing goes out, and the keyring is named.
    auto out = ask(clientFor(SettingsStore::defaultApiBaseURL, {State::unavailable, {}, false, false}));
    scheduler.runPending();
    EXPECT_EQ(errorOf(*out), OpenAIError::keyringUnavailable());
    EXPECT_TRUE(transport.requests.isEmpty());

    // A key kept back from plain HTTP: the request goes bare, and the server's 401 says why.
    transport.enqueue(Script::reply(401, "{}"));
    out = ask(clientFor("http://10.1.1.1:8000", {State::found, "sk-lan", false, false}));
    scheduler.runPending();
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_TRUE(transport.requests[0].header("Authorization").isEmpty());
    EXPECT_EQ(errorOf(*out), OpenAIError::keyWithheld());

    transport.enqueue(Script::reply(401, "{}"));
    std::optional<Outcome<QStringList>> listed;
    clientFor("http://10.1.1.1:8000", {State::found, "sk-lan", false, true})
        .listModels([&](Outcome<QStringList> o) { listed = std::move(o); });
    scheduler.runPending();
    EXPECT_EQ(transport.requests[1].header("Authorization"), "Bearer sk-lan") << "allowed for this server";
    EXPECT_EQ(errorOf(listed), OpenAIError::invalidKey()) << "sent and refused: the key itself";

    std::optional<bool> valid;
    clientFor(SettingsStore::defaultApiBaseURL, {State::locked, {}, false, false}).validateKey([&](bool v) {
        valid = v;
    });
    scheduler.runPending();
    EXPECT_EQ(valid, false);
    EXPECT_EQ(transport.requests.size(), 2);
}

TEST(KeyRequirementTest, OnlyTheHostedServiceNeedsAKey) {
    for (const char* base : {"https://api.openai.com", "https://API.OpenAI.com/", "https://api.openai.com/v1",
                             "", "not an address"})
        EXPECT_TRUE(KeyRequirement::isRequired(QString::fromLatin1(base))) << base;
    for (const char* base : {"http://127.0.0.1:11434", "http://localhost:8080/v1",
                             "https://gateway.example/openai", "https://api.openai.com.example"})
        EXPECT_FALSE(KeyRequirement::isRequired(QString::fromLatin1(base))) << base;
}

class KeylessServerTest : public ClientTest {
protected:
    std::optional<Outcome<CorrectionResult>> correct(const QString& key) {
        auto out = ask(client(key, QStringLiteral("http://127.0.0.1:11434/v1")));
        scheduler.advance(10s);
        return *out;
    }
};

TEST_F(KeylessServerTest, NoKeyMeansNoAuthorizationHeaderAndA401AsksForOne) {
    transport.enqueue(Script::reply(200, chatReply(R"({"corrected": "I went.", "changes": []})")));
    const auto out = correct(QString());
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_TRUE(transport.requests[0].header("Authorization").isEmpty());
    EXPECT_EQ(transport.requests[0].header("Content-Type"), "application/json");
    ASSERT_TRUE(out && std::holds_alternative<CorrectionResult>(*out));

    // The server wants a key after all: the usual message, said once, not retried.
    transport.enqueue(Script::reply(401));
    EXPECT_EQ(errorOf(correct(QString())), OpenAIError::invalidKey());
    EXPECT_EQ(transport.requests.size(), 2);

    // A key the user gave anyway is sent.
    transport.enqueue(Script::reply(401));
    correct("sk-local");
    EXPECT_EQ(transport.requests.last().header("Authorization"), "Bearer sk-local");
}

TEST_F(KeylessServerTest, TheModelListNeedsNoKeyEither) {
    transport.enqueue(Script::reply(200, R"({"data": []})"));
    std::optional<bool> valid;
    client(QString(), QStringLiteral("http://127.0.0.1:11434/v1")).validateKey([&](bool ok) { valid = ok; });
    scheduler.advance(1s);
    EXPECT_EQ(valid, true);
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].url, QUrl("http://127.0.0.1:11434/v1/models"));
    EXPECT_TRUE(transport.requests[0].header("Authorization").isEmpty());
}

}  // namespace
