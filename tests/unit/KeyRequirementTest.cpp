// Which servers need a key, and what a client of one that does not sends and reports.
#include "CoreTestSupport.h"
#include "core/KeyRequirement.h"

using namespace quillet;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;

namespace {

TEST(KeyRequirementTest, OnlyTheHostedServiceNeedsAKey) {
    for (const char* base : {"https://api.openai.com", "https://API.OpenAI.com/", "https://api.openai.com/v1",
                             "", "not an address"})
        EXPECT_TRUE(KeyRequirement::isRequired(QString::fromLatin1(base))) << base;
    for (const char* base : {"http://127.0.0.1:11434", "http://localhost:8080/v1",
                             "https://gateway.example/openai", "https://api.openai.com.example"})
        EXPECT_FALSE(KeyRequirement::isRequired(QString::fromLatin1(base))) << base;
}

class KeylessServerTest : public test::ClientTest {
protected:
    std::optional<Outcome<CorrectionResult>> correct(const QString& key) {
        auto out = ask(client(key, QStringLiteral("http://127.0.0.1:11434/v1")));
        scheduler.advance(10s);
        return *out;
    }
};

TEST_F(KeylessServerTest, NoKeyMeansNoAuthorizationHeaderAndA401AsksForOne) {
    transport.enqueue(Script::reply(200, test::chatReply(R"({"corrected": "I went.", "changes": []})")));
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
