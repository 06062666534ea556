// Which servers need a key, and what a client of one that does not sends and reports.
#include <gmock/gmock.h>

#include "core/KeyRequirement.h"
#include "core/OpenAIClient.h"
#include "core/Prompts.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "support/ScopedSettings.h"

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

    EXPECT_TRUE(KeyRequirement::isSatisfied(true, "https://api.openai.com"));
    EXPECT_FALSE(KeyRequirement::isSatisfied(false, "https://api.openai.com"));
    EXPECT_TRUE(KeyRequirement::isSatisfied(false, "http://127.0.0.1:11434"));
}

class KeylessServerTest : public testing::Test {
protected:
    OpenAIClient client(const QString& key) const {
        return OpenAIClient(QStringLiteral("http://127.0.0.1:11434/v1"), key, "llama3", transport, scheduler,
                            recognizer);
    }
    std::optional<Outcome<CorrectionResult>> correct(const OpenAIClient& c) {
        std::optional<Outcome<CorrectionResult>> out;
        c.request<CorrectionResult>(Prompts::proofreading(), "I goed.", 0.2,
                                    [&](Outcome<CorrectionResult> o) { out = std::move(o); });
        scheduler.advance(10s);
        return out;
    }

    test::ScopedSettings settings;
    mutable FakeScheduler scheduler;
    mutable FakeHttpTransport transport{scheduler};
    mutable FakeLanguageRecognizer recognizer;
};

TEST_F(KeylessServerTest, NoKeyMeansNoAuthorizationHeaderAndA401AsksForOne) {
    transport.enqueue(Script::reply(
        200, R"({"choices": [{"message": {"content": "{\"corrected\": \"I went.\", \"changes\": []}"}}]})"));
    const auto out = correct(client(QString()));
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_TRUE(transport.requests[0].header("Authorization").isEmpty());
    EXPECT_EQ(transport.requests[0].header("Content-Type"), "application/json");
    ASSERT_TRUE(out && std::holds_alternative<CorrectionResult>(*out));

    // The server wants a key after all: the usual message, said once, not retried.
    transport.enqueue(Script::reply(401));
    const auto refused = correct(client(QString()));
    ASSERT_TRUE(refused && std::holds_alternative<OpenAIError>(*refused));
    EXPECT_EQ(std::get<OpenAIError>(*refused), OpenAIError::invalidKey());
    EXPECT_EQ(transport.requests.size(), 2);

    // A key the user gave anyway is sent.
    transport.enqueue(Script::reply(401));
    correct(client("sk-local"));
    EXPECT_EQ(transport.requests.last().header("Authorization"), "Bearer sk-local");
}

TEST_F(KeylessServerTest, TheModelListNeedsNoKeyEither) {
    transport.enqueue(Script::reply(200, R"({"data": []})"));
    std::optional<bool> valid;
    client(QString()).validateKey([&](bool ok) { valid = ok; });
    scheduler.advance(1s);
    EXPECT_EQ(valid, true);
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].url, QUrl("http://127.0.0.1:11434/v1/models"));
    EXPECT_TRUE(transport.requests[0].header("Authorization").isEmpty());
}

}  // namespace
