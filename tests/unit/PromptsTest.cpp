// The prompts sent to the language model, checked as the exact text.
#include <gmock/gmock.h>

#include "core/Prompts.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/linux/Cld2LanguageRecognizer.h"

using namespace quillet;

namespace {

// Golden texts: the model's answers are decoded by the JSON shapes these prompts ask for, so a
// changed word here is a changed contract.
TEST(PromptsTest, SystemPromptsAreTheGoldenTexts) {
    EXPECT_EQ(Prompts::proofreading(),
              QString::fromUtf8(
                  "You are a proofreader. Correct the grammar, spelling and punctuation of the text.\n"
                  "Preserve the language, meaning, tone and formatting (line breaks, emoji).\n"
                  "Do not add or remove content. If the text is already correct, return it unchanged with an "
                  "empty \"changes\" array. Return strictly JSON:\n"
                  R"({"corrected": "...", "changes": [{"from": "...", "to": "...", "reason": "..."}]})"));
    EXPECT_EQ(
        Prompts::rephrasing(),
        QString::fromUtf8(
            "Offer 3 alternative phrasings of the text, in the same language as the original:\n"
            "1) \"neutral\" \u2014 a more natural version, 2) \"professional\" \u2014 a more formal tone,\n"
            "3) \"concise\" \u2014 a shorter version with the same meaning.\n"
            "Preserve the meaning and formatting. Return strictly JSON:\n"
            R"({"variants": [{"style": "neutral", "text": "..."}, {"style": "professional", )"
            R"("text": "..."}, {"style": "concise", "text": "..."}]})"));
}

TEST(PromptsTest, AnActionsPromptIsItsInstructionInTheAlternativesContract) {
    EXPECT_EQ(Prompts::customAction(QStringLiteral("  Translate the text to English.\n")),
              QString::fromUtf8("Rewrite the text as the user asks:\n"
                                "Translate the text to English.\n"
                                "Unless asked otherwise, keep the language of the original and its "
                                "formatting (line breaks, emoji); what is asked above goes before any note "
                                "on the text's language. Return strictly JSON:\n"
                                "{\"variants\": [{\"style\": \"custom\", \"text\": \"...\"}]}"));
}

TEST(PromptsTest, HintWrapsTheRecognisedCode) {
    FakeLanguageRecognizer recognizer;
    recognizer.answer = QStringLiteral("sr");
    EXPECT_EQ(Prompts::languageHint("Zdravo svete", recognizer),
              QString::fromUtf8("\n\n(Text language: sr \u2014 respond in the same language.)"));
    recognizer.answer.reset();
    EXPECT_EQ(Prompts::languageHint("Zdravo svete", recognizer), "");
}

TEST(PromptsTest, Cld2NamesLanguagesAndNothingForTextWithoutLetters) {
    const Cld2LanguageRecognizer cld2;
    EXPECT_EQ(cld2.dominantLanguage("The quick brown fox jumps over the lazy dog while we watch it."), "en");
    EXPECT_EQ(
        cld2.dominantLanguage(QString::fromUtf8("Ово је реченица на српском језику коју пишемо ћирилицом.")),
        "sr");
    EXPECT_EQ(cld2.dominantLanguage(QString::fromUtf8("Dies ist ein deutscher Satz, der ziemlich lang ist.")),
              "de");
    for (const char* noLetters : {"", "   ", "12 + 34 = 46", "!!! ???", "\xF0\x9F\x98\x80 \xF0\x9F\x91\x8D"})
        EXPECT_EQ(cld2.dominantLanguage(QString::fromUtf8(noLetters)), std::nullopt) << noLetters;
    // Lone surrogates are no trouble.
    QString broken = QStringLiteral("hello ");
    broken.append(QChar(0xD800));
    cld2.dominantLanguage(broken);
}

}  // namespace
