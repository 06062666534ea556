// The language hint's source: which language a text is in, and none for text without letters.
#include <gmock/gmock.h>

#include "platform/linux/system/Cld2LanguageRecognizer.h"

using namespace quillet;

namespace {

TEST(LanguageRecognizerTest, Cld2NamesLanguagesAndNothingForTextWithoutLetters) {
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
