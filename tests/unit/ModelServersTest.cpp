// The model list a server gives, through the client and on its own.
#include "CoreTestSupport.h"
#include "core/ModelServers.h"

using namespace quillet;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;
using testing::ElementsAre;

namespace {

TEST(ModelServersTest, ModelListKeepsTheServersOrderAndSkipsWhatIsNoName) {
    EXPECT_THAT(*ModelServers::parseModelList(
                    R"({"object": "list", "data": [{"id": "llama3:8b"}, {"id": "qwen2.5"}, {"id": " "},
                       {"name": "no id"}, 7, {"id": "llama3:8b"}, {"id": "mistral"}]})"),
                ElementsAre("llama3:8b", "qwen2.5", "mistral"));
    EXPECT_THAT(*ModelServers::parseModelList(R"({"data": []})"), ElementsAre());
    for (const char* body : {"", "[]", R"({"models": []})", R"({"data": {}})", "<html>"})
        EXPECT_FALSE(ModelServers::parseModelList(body).has_value()) << body;
}

class ModelListRequestTest : public test::ClientTest {
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
