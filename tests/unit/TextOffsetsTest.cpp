// Offsets between another application's characters and the program's UTF-16 units.
#include <gmock/gmock.h>

#include "platform/linux/atspi/TextOffsets.h"

using namespace quillet;

namespace {

const QString grinning = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600, a surrogate pair
const QString pad(QChar(0xFEFF));

struct Case {
    const char* what;
    QString text;                               // as the application reads it
    std::vector<std::pair<qint64, qint64>> at;  // character offset, UTF-16 offset
};

// Every position of each text, both ways.
const Case cases[] = {
    {"plain", QStringLiteral("abc"), {{0, 0}, {2, 2}, {3, 3}}},
    {"emoji", QStringLiteral("a") + grinning + QStringLiteral("b"), {{0, 0}, {1, 1}, {2, 3}, {3, 4}}},
    {"combining marks", QString::fromUtf8("e\xCC\x81x\xCC\x88\xCC\x84"), {{1, 1}, {2, 2}, {5, 5}}},
    {"flag", QString::fromUtf8("\xF0\x9F\x87\xB7\xF0\x9F\x87\xB8!"), {{0, 0}, {1, 2}, {2, 4}, {3, 5}}},
    {"ZWJ family",
     QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"),
     {{1, 2}, {2, 3}, {3, 5}, {4, 6}, {5, 8}}},
    {"Gecko-padded emoji",
     QStringLiteral("a") + grinning + pad + QStringLiteral("b"),
     {{0, 0}, {1, 1}, {3, 3}, {4, 4}}},
    {"Gecko-padded flag at the end",
     QString::fromUtf8("\xF0\x9F\x87\xB7") + pad + QString::fromUtf8("\xF0\x9F\x87\xB8") + pad,
     {{0, 0}, {2, 2}, {4, 4}}},
    {"a U+FEFF of the user's own", pad + QStringLiteral("a") + pad, {{0, 0}, {1, 1}, {3, 3}}},
};

TEST(TextOffsetsTest, CharacterAndUnitOffsetsMatchBothWays) {
    for (const Case& c : cases) {
        for (const auto& [characters, units] : c.at) {
            EXPECT_EQ(TextOffsets::utf16Offset(c.text, characters), units) << c.what << " @" << characters;
            EXPECT_EQ(TextOffsets::characterOffset(c.text, units), characters) << c.what << " @" << units;
        }
    }
}

TEST(TextOffsetsTest, PaddingIsDroppedAndNothingElse) {
    EXPECT_EQ(TextOffsets::withoutPadding(cases[5].text),
              QStringLiteral("a") + grinning + QStringLiteral("b"));
    EXPECT_EQ(TextOffsets::withoutPadding(cases[6].text),
              QString::fromUtf8("\xF0\x9F\x87\xB7\xF0\x9F\x87\xB8"));
    for (const Case& c : {cases[1], cases[4], cases[7]})
        EXPECT_EQ(TextOffsets::withoutPadding(c.text), c.text) << c.what;
}

TEST(TextOffsetsTest, PositionsBetweenAndBeyondLandOnACharacterBoundary) {
    const QString emoji = cases[1].text;  // a, U+1F600, b
    const QString padded = cases[5].text;
    const struct {
        const char* what;
        qint64 got, expected;
    } rows[] = {{"units inside a surrogate pair", TextOffsets::characterOffset(emoji, 2), 2},
                {"the character of the padding itself", TextOffsets::utf16Offset(padded, 2), 3},
                {"characters past the end", TextOffsets::utf16Offset(emoji, 9), 4},
                {"units past the end", TextOffsets::characterOffset(emoji, 9), 3},
                {"units past the padded end", TextOffsets::characterOffset(cases[6].text, 5), 4},
                {"an empty text",
                 TextOffsets::characterOffset(QString(), 3) + TextOffsets::utf16Offset(QString(), 3), 0}};
    for (const auto& row : rows)
        EXPECT_EQ(row.got, row.expected) << row.what;
}

}  // namespace
