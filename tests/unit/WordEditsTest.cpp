// A correction as word-run edits: where they fall, that applying them (and their inverses) gives
// the texts exactly, clusters and line breaks kept whole, and texts too different for edits.
#include <gmock/gmock.h>

#include <QTextBoundaryFinder>

#include "core/WordEdits.h"

using namespace quillet;
using testing::ElementsAre;

namespace {

// The edits turn `before` into `after` and their inverses turn it back, byte for byte.
void expectRoundTrip(const QString& before, const QString& after, const QList<TextEdit>& edits) {
    const QString written = WordEdits::applied(before, edits);
    EXPECT_EQ(written, after);
    EXPECT_EQ(WordEdits::applied(written, WordEdits::inverse(before, edits)).toUtf8(), before.toUtf8());
}

bool atGraphemeBoundary(const QString& text, qint64 position) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(position);
    return finder.isAtBoundary();
}

}  // namespace

TEST(WordEditsTest, EachRunOfChangedWordsIsOneEdit) {
    const QString before = QStringLiteral("The quick brwn fox jumps.");
    const WordEdits one = WordEdits::between(before, QStringLiteral("The quick brown fox jumps."));
    EXPECT_TRUE(one.fit());
    EXPECT_THAT(one.edits, ElementsAre(TextEdit{10, 4, "brown"}));

    // Several runs: two words that become one, punctuation added and taken away, at both ends.
    const QString many = QStringLiteral("their is a mistak here, and an other one");
    const QString fixed = QStringLiteral("Their is a mistake here and another one!");
    const WordEdits runs = WordEdits::between(many, fixed);
    EXPECT_TRUE(runs.fit());
    EXPECT_THAT(runs.edits,
                ElementsAre(TextEdit{0, 5, "Their"}, TextEdit{11, 6, "mistake"}, TextEdit{22, 1, ""},
                            TextEdit{28, 8, "another"}, TextEdit{40, 0, "!"}));
    expectRoundTrip(many, fixed, runs.edits);

    // A word said twice, taken out; a word put in.
    const WordEdits removed = WordEdits::between("the the cat sat", "the cat sat down");
    expectRoundTrip("the the cat sat", "the cat sat down", removed.edits);
    EXPECT_EQ(removed.edits.size(), 2);

    // Offsets in a part carry over to the whole text the part stands in.
    EXPECT_THAT(WordEdits::shifted(one.edits, 6), ElementsAre(TextEdit{16, 4, "brown"}));
}

TEST(WordEditsTest, ClustersAndLineBreaksStayWhole) {
    // An emoji with a skin tone, a family of joined emoji, a letter with a combining accent, flags,
    // each right beside a corrected word.
    const QString before = QString::fromUtf8(
        "Hi 👋🏽teh cafe\xcc\x81 👨‍👩‍👧 was gud👍 nai\xcc\x88ve 🇷🇸wrld");
    const QString after = QString::fromUtf8(
        "Hi 👋🏽the cafe\xcc\x81 👨‍👩‍👧 was good👍 nai\xcc\x88ve 🇷🇸world");
    const WordEdits edits = WordEdits::between(before, after);
    EXPECT_TRUE(edits.fit());
    EXPECT_EQ(edits.edits.size(), 3);
    expectRoundTrip(before, after, edits.edits);
    for (const TextEdit& edit : edits.edits) {
        EXPECT_TRUE(atGraphemeBoundary(before, edit.location)) << edit.location;
        EXPECT_TRUE(atGraphemeBoundary(before, edit.location + edit.length)) << edit.location;
    }
    // Only the skin tone changed: the whole emoji is replaced, never its modifier alone.
    EXPECT_THAT(WordEdits::between(QString::fromUtf8("👋🏽 hi"), QString::fromUtf8("👋🏿 hi")).edits,
                ElementsAre(TextEdit{0, 4, QString::fromUtf8("👋🏿")}));
    // An accent added to a letter: the word goes in whole, not a mark after its letter.
    EXPECT_THAT(WordEdits::between("the cafe is", QString::fromUtf8("the cafe\xcc\x81 is")).edits,
                ElementsAre(TextEdit{4, 4, QString::fromUtf8("cafe\xcc\x81")}));

    // The field breaks its lines with CR LF, the correction with line feeds: the words change, the
    // breaks stay as the field has them.
    const QString crlf = QStringLiteral("Teh first line.\r\nSecond lne.\r\n\r\nEnd");
    const WordEdits lines = WordEdits::between(crlf, QStringLiteral("The first line.\nSecond line.\n\nEnd"));
    EXPECT_THAT(lines.edits, ElementsAre(TextEdit{0, 3, "The"}, TextEdit{24, 3, "line"}));
    EXPECT_EQ(WordEdits::applied(crlf, lines.edits), "The first line.\r\nSecond line.\r\n\r\nEnd");
    // A line break added goes in as the correction has it; the text is written in the field's form.
    const WordEdits split = WordEdits::between("One. Two.", "One.\r\nTwo.");
    expectRoundTrip("One. Two.", "One.\r\nTwo.", split.edits);
}

TEST(WordEditsTest, NothingToEditOrTooDifferentToEdit) {
    const QString text = QString::fromUtf8("Same text, 👋 same words.\r\nSecond line.");
    for (const QString& same : {text, QString(text).replace("\r\n", "\n")}) {
        const WordEdits none = WordEdits::between(text, same);
        EXPECT_TRUE(none.edits.isEmpty());
        EXPECT_FALSE(none.tooDifferent);
        EXPECT_FALSE(none.fit());
    }
    EXPECT_FALSE(WordEdits::between("", "").fit());
    EXPECT_FALSE(WordEdits::between("", "Something new").fit()) << "an empty field gets the whole text";

    // A rephrasing: most words change, even though some stay.
    const WordEdits rephrased = WordEdits::between("Can you send me the report by Friday?",
                                                   "Please share the report before the end of the week.");
    EXPECT_TRUE(rephrased.tooDifferent);
    EXPECT_FALSE(rephrased.fit());
    // Half the words changed is still worth editing; more is not.
    EXPECT_TRUE(WordEdits::between("one two three four", "one two 3 4").fit());
    EXPECT_FALSE(WordEdits::between("one two three four", "one 2 3 4").fit());

    // A correction scattered over many places: one write of the whole text.
    QString many;
    QString fixed;
    for (int i = 0; i < WordEdits::maxEdits; ++i) {
        many += QStringLiteral("teh cat sat on a mat today. ");
        fixed += QStringLiteral("the cat sat on a mat today. ");
    }
    EXPECT_TRUE(WordEdits::between(many, fixed).tooDifferent);
    EXPECT_TRUE(WordEdits::between(many.left(many.size() / 2), fixed.left(fixed.size() / 2)).fit());
}
