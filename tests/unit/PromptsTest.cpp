#include <gmock/gmock.h>

#include "core/Prompts.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/linux/Cld2LanguageRecognizer.h"

using namespace quillet;

namespace {

TEST(PromptsTest, SystemPromptsAreByteExact) {
    const QByteArray proofreading = Prompts::proofreading().toUtf8();
    const QByteArray rephrasing = Prompts::rephrasing().toUtf8();
    EXPECT_EQ(proofreading.size(), 371);
    EXPECT_EQ(rephrasing.size(), 411);
    EXPECT_EQ(proofreading.count('\n'), 3);
    EXPECT_EQ(rephrasing.count('\n'), 4);
    EXPECT_TRUE(proofreading.startsWith("You are a proofreader. Correct the grammar"));
    EXPECT_TRUE(proofreading.endsWith(R"("reason": "..."}]})"));
    EXPECT_TRUE(
        rephrasing.contains("1) \"neutral\" \xE2\x80\x94 a more natural version, 2) \"professional\""));
    EXPECT_TRUE(rephrasing.endsWith(R"({"style": "concise", "text": "..."}]})"));
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
