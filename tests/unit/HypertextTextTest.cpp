// A rich-text editing host's text read through its embedded objects, positions mapped both ways, and
// offsets between another application's characters and the program's UTF-16 units.
#include <gmock/gmock.h>

#include "platform/linux/atspi/HypertextText.h"
#include "platform/linux/atspi/TextOffsets.h"

using namespace quillet;
using namespace quillet::HypertextText;

namespace {

const QString obj(QChar(0xFFFC));
const QString pad(QChar(0xFEFF));
const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9");  // man ZWJ woman
const QString grinning = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600, a surrogate pair
const QString eAcute = QString::fromUtf8("e\xCC\x81");           // e and a combining acute

Node node(Kind kind, const QString& text, std::vector<int> embeds = {}) {
    Node n;
    n.kind = kind;
    n.text = text;
    n.embeds = std::move(embeds);
    return n;
}

Node block(const QString& text, std::vector<int> embeds = {}) {
    return node(Kind::block, text, std::move(embeds));
}

// Every position of the text leads to a place and back to itself.
void expectRoundTrips(const Flattened& flat) {
    for (qint64 at = 0; at <= flat.text().size(); ++at) {
        if (at > 0 && at < flat.text().size() && flat.text().at(at).isLowSurrogate())
            continue;
        const std::optional<Place> place = flat.placeOf(at);
        ASSERT_TRUE(place) << at;
        EXPECT_EQ(flat.positionOf(place->node, place->offset), at) << at;
    }
}

}  // namespace

TEST(HypertextTextTest, NestedBlocksAndInlineObjectsReadAsTheUserSeesThem) {
    // <div><p>Read <a>the <b>docs</b></a> now.</p><div><ul><li>one</li><li>two</li></ul></div></div>
    const std::vector<Node> tree{
        node(Kind::block, obj + obj, {1, 4}),
        block(QStringLiteral("Read ") + obj + QStringLiteral(" now."), {2}),
        node(Kind::inlined, QStringLiteral("the ") + obj, {3}),
        node(Kind::inlined, QStringLiteral("docs")),
        block(obj, {5}),
        block(obj + obj, {6, 7}),
        block(QStringLiteral("one")),
        block(QStringLiteral("two")),
    };
    const Flattened flat(tree);
    EXPECT_EQ(flat.text(), QStringLiteral("Read the docs now.\none\ntwo"));
    // "docs" lives in the bold object inside the link; " now." back in the paragraph, after the link.
    EXPECT_EQ(flat.placeOf(9), (Place{3, 0}));
    EXPECT_EQ(flat.placeOf(13), (Place{1, 6}));
    EXPECT_EQ(flat.placeOf(13, true), (Place{3, 4}));
    EXPECT_EQ(flat.positionOf(6, 0), 19);
    EXPECT_EQ(flat.positionOf(7, 3), 26);
    expectRoundTrips(flat);
}

TEST(HypertextTextTest, EmptyParagraphsLineBreaksAndImages) {
    // <p>a</p><p></p><p><br></p><p>x<br>y <img> z</p><p>b</p>, text after the last block.
    const std::vector<Node> tree{
        node(Kind::block, obj + obj + obj + obj + obj + QStringLiteral("tail"), {1, 2, 3, 4, 7}),
        block(QStringLiteral("a")),
        block(QString()),
        block(QStringLiteral("\n")),  // Gecko reads an empty paragraph's <br> as its text
        block(QStringLiteral("x") + obj + QStringLiteral("y ") + obj + QStringLiteral(" z"), {5, 6}),
        node(Kind::lineBreak, QString()),
        node(Kind::object, QString()),
        block(QStringLiteral("b")),
    };
    const Flattened flat(tree);
    EXPECT_EQ(flat.text(), QStringLiteral("a\n\n\nx\ny  z\nb\ntail"));
    EXPECT_FALSE(flat.text().contains(QChar(0xFFFC)));
    // The caret in either empty paragraph stands on its own line.
    EXPECT_EQ(flat.positionOf(2, 0), 2);
    EXPECT_EQ(flat.positionOf(3, 0), 3);
    EXPECT_EQ(flat.positionOf(3, 1), 3);  // past the left-out break
    EXPECT_EQ(flat.placeOf(2), (Place{2, 0}));
    // "y" after the line break, " z" after the image, in the paragraph's own characters.
    EXPECT_EQ(flat.placeOf(6), (Place{4, 2}));
    EXPECT_EQ(flat.placeOf(8), (Place{4, 5}));
    expectRoundTrips(flat);
}

TEST(HypertextTextTest, SelectionAcrossThreeParagraphsAndTheCaretOnAParagraph) {
    std::vector<Node> tree{
        node(Kind::block, obj + obj + obj, {1, 2, 3}),
        block(QStringLiteral("First one.")),
        block(QStringLiteral("Second.")),
        block(QStringLiteral("Third.")),
    };
    const QString text = QStringLiteral("First one.\nSecond.\nThird.");
    // Gecko: the host's selection runs over the embedded paragraphs, each paragraph its own stretch.
    tree[0].selection = {{0, 3}};
    tree[1].selection = {{6, 10}};
    tree[2].selection = {{0, 7}};
    tree[3].selection = {{0, 5}};
    {
        const Flattened flat(tree);
        ASSERT_EQ(flat.text(), text);
        EXPECT_EQ(flat.selection(), (std::pair<qint64, qint64>{6, 24}));
    }
    // Chromium: the host holds none; a host that has only its own reads the same way, coarser.
    tree[0].selection.reset();
    EXPECT_EQ(Flattened(tree).selection(), (std::pair<qint64, qint64>{6, 24}));
    for (int i = 1; i <= 3; ++i)
        tree[i].selection.reset();
    tree[0].selection = {{1, 2}};
    EXPECT_EQ(Flattened(tree).selection(), (std::pair<qint64, qint64>{11, 18}));
    tree[0].selection.reset();
    EXPECT_EQ(Flattened(tree).selection(), std::nullopt);

    // The caret: Gecko and Chromium put it on the paragraph, the host's stands before that paragraph.
    tree[0].caret = 1;
    tree[2].caret = 3;
    EXPECT_EQ(Flattened(tree).caret(), 14);
    tree[2].caret = -1;
    EXPECT_EQ(Flattened(tree).caret(), 11);
}

TEST(HypertextTextTest, WideCharactersAndCombiningMarksAtBlockEdges) {
    // Gecko pads each character outside the Basic Multilingual Plane with a U+FEFF of its own.
    const std::vector<Node> tree{
        node(Kind::block, obj + obj, {1, 2}),
        block(grinning + pad + QStringLiteral(" hi ") + family.left(2) + pad + family.mid(2, 1) +
              family.mid(3) + pad),
        block(eAcute + QStringLiteral("t") + eAcute),
    };
    const Flattened flat(tree);
    const QString first = grinning + QStringLiteral(" hi ") + family;
    EXPECT_EQ(flat.text(), first + QStringLiteral("\n") + eAcute + QStringLiteral("t") + eAcute);
    // Characters as Gecko counts them: the family is man, pad, ZWJ, woman, pad.
    EXPECT_EQ(flat.positionOf(1, 2), 2);
    EXPECT_EQ(flat.positionOf(1, 11), first.size());
    EXPECT_EQ(flat.placeOf(first.size(), true), (Place{1, 11}));
    EXPECT_EQ(flat.placeOf(first.size() + 1), (Place{2, 0}));
    EXPECT_EQ(flat.placeOf(flat.text().size()), (Place{2, 5}));
    expectRoundTrips(flat);
}

TEST(HypertextTextTest, AnEditGoesToTheOneObjectHoldingTheRange) {
    // <p>This is a sentense with <a>a link</a>.</p><p>Second one.</p>, bold drawn in the paragraph.
    const std::vector<Node> tree{
        node(Kind::block, obj + obj, {1, 3}),
        block(QStringLiteral("This is a sentense with bold and ") + grinning + obj + QStringLiteral("."),
              {2}),
        node(Kind::inlined, QStringLiteral("a link")),
        block(QStringLiteral("Second one.")),
    };
    const Flattened flat(tree);
    ASSERT_EQ(flat.text(), QStringLiteral("This is a sentense with bold and ") + grinning +
                               QStringLiteral("a link.\nSecond one."));
    using Edit = std::optional<std::pair<Place, qint64>>;
    EXPECT_EQ(flat.editableRange(10, 18), (Edit{{Place{1, 10}, 18}}));
    // Up to the emoji's end: the paragraph's characters count it once.
    EXPECT_EQ(flat.editableRange(29, 35), (Edit{{Place{1, 29}, 34}}));
    EXPECT_EQ(flat.editableRange(37, 41), (Edit{{Place{2, 2}, 6}}));
    EXPECT_EQ(flat.editableRange(43, 49), (Edit{{Place{3, 0}, 6}}));
    EXPECT_EQ(flat.editableRange(49, 49), (Edit{{Place{3, 6}, 6}}));
    // Over the link's edge, or from one paragraph into the next: not in place.
    EXPECT_EQ(flat.editableRange(29, 38), std::nullopt);
    EXPECT_EQ(flat.editableRange(41, 43), std::nullopt);
    EXPECT_EQ(flat.editableRange(36, 46), std::nullopt);
}

namespace {

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
