// Decoding the language model's answers by their strict JSON rules.
#include <gmock/gmock.h>

#include <QSet>

#include "core/Models.h"
#include "support/ScopedSettings.h"

using namespace quillet;

namespace {

TEST(ModelsTest, CorrectionDecodesStrictlyWithoutDefaults) {
    auto ok = decodeJson<CorrectionResult>(R"({"corrected": "Hi.", "changes": []})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->corrected, "Hi.");
    EXPECT_TRUE(ok->changes.isEmpty());

    for (const char* bad : {
             R"({"corrected": "Hi."})",                                     // changes missing
             R"({"changes": []})",                                          // corrected missing
             R"({"corrected": null, "changes": []})",                       // null in a required field
             R"({"corrected": 5, "changes": []})",                          // number for text
             R"({"corrected": "x", "changes": {}})",                        // object for array
             R"({"corrected": "x", "changes": [{"from": "a"}]})",           // one bad element
             R"({"corrected": "x", "changes": [{"from": "a", "to": 1}]})",  // wrong type inside
             R"({"corrected": "x", "changes": [{"from": "a", "to": "b", "reason": 3}]})",
             R"({"corrected": "x", "changes": ["a"]})",        // element not an object
             R"(["corrected"])",                               // not an object
             R"({"corrected": "x", "changes": []} trailing)",  // not JSON
             "",
         }) {
        EXPECT_FALSE(decodeJson<CorrectionResult>(QByteArray(bad))) << bad;
    }
}

TEST(ModelsTest, ReasonNullOrMissingAlikeAndExtraKeysIgnored) {
    auto result = decodeJson<CorrectionResult>(R"({"corrected": "b", "extra": {"deep": [1]}, "changes": [
        {"from": "a", "to": "b", "reason": null},
        {"from": "a", "to": "b", "note": "ignored"},
        {"from": "a", "to": "b", "reason": "typo"}]})");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->changes.size(), 3);
    EXPECT_EQ(result->changes[0], result->changes[1]);
    EXPECT_EQ(qHash(result->changes[0]), qHash(result->changes[1]));
    EXPECT_NE(result->changes[0], result->changes[2]);
    EXPECT_EQ(QSet<CorrectionChange>(result->changes.begin(), result->changes.end()).size(), 2);
    EXPECT_EQ(result->changes[2].reason, "typo");
    // Encoding leaves out an absent reason and round-trips.
    EXPECT_FALSE(result->changes[0].toJson().contains("reason"));
    EXPECT_EQ(CorrectionResult::fromJson(result->toJson()), result);
}

TEST(ModelsTest, RephraseKeepsOrderAndFailsOnOneBadVariant) {
    auto result = decodeJson<RephraseResult>(
        R"({"variants": [{"style": "concise", "text": "B"}, {"style": "odd style", "text": "A", "x": 1}]})");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->variants.size(), 2);
    EXPECT_EQ(result->variants[0].id(), "concise");
    EXPECT_EQ(result->variants[1].text, "A");
    EXPECT_TRUE(decodeJson<RephraseResult>(R"({"variants": []})"));
    EXPECT_FALSE(decodeJson<RephraseResult>(R"({"variants": [{"style": "neutral"}]})"));
    EXPECT_FALSE(decodeJson<RephraseResult>(R"({"variants": null})"));
    EXPECT_FALSE(decodeJson<RephraseResult>(R"({})"));
}

TEST(ModelsTest, LabelsFollowTheInterfaceLanguage) {
    test::ScopedSettings settings;
    const RephraseVariant shouting{"PROFESSIONAL", "x"};
    const RephraseVariant custom{"very friendly", "x"};
    const QString english = shouting.label();
    settings.store.setLanguage(AppLanguage::sr);
    EXPECT_NE(shouting.label(), english) << "a known style in any case is translated";
    EXPECT_EQ(custom.label(), "Very Friendly") << "a style of the model's own is shown as it came";
    EXPECT_EQ(capitalizedWords("mIXED case\twords  here"), "Mixed Case\tWords  Here");
}

}  // namespace
