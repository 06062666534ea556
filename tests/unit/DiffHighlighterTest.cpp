// Which runs of a correction are marked as changed.
#include <gmock/gmock.h>

#include <QRandomGenerator>

#include "core/DiffHighlighter.h"

using namespace quillet;

namespace {

QString joined(const QList<DiffRun>& runs) {
    QString out;
    for (const DiffRun& run : runs)
        out += run.text;
    return out;
}

QStringList highlightedWords(const QList<DiffRun>& runs) {
    QStringList out;
    for (const DiffRun& run : runs)
        if (run.highlighted)
            out.append(run.text);
    return out;
}

// Reference: the classic LCS table. A shortest edit script inserts m - LCS words.
int lcsInsertions(const QStringList& a, const QStringList& b) {
    std::vector<std::vector<int>> t(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1), 0));
    for (qsizetype i = 1; i <= a.size(); ++i)
        for (qsizetype j = 1; j <= b.size(); ++j)
            t[i][j] = a[i - 1] == b[j - 1] ? t[i - 1][j - 1] + 1 : std::max(t[i - 1][j], t[i][j - 1]);
    return int(b.size()) - t[a.size()][b.size()];
}

TEST(DiffHighlighterTest, HighlightsOnlyNewAndChangedWordsOfTheCorrection) {
    const QString original = QStringLiteral("I has went to the store yesterday and buyed two apple.");
    const QString corrected = QStringLiteral("I went to the store yesterday and bought two apples.");
    const auto runs = DiffHighlighter::attributed(original, corrected);
    EXPECT_EQ(joined(runs), corrected);
    EXPECT_EQ(highlightedWords(runs), QStringList({"bought", "apples."}));
    for (qsizetype i = 1; i < runs.size(); i += 2) {
        EXPECT_EQ(runs[i].text, " ");
        EXPECT_FALSE(runs[i].highlighted);
    }
}

TEST(DiffHighlighterTest, EdgeTexts) {
    // Identical texts: nothing marked.
    auto runs = DiffHighlighter::attributed("same words here", "same words here");
    EXPECT_EQ(joined(runs), "same words here");
    EXPECT_TRUE(highlightedWords(runs).isEmpty());

    // Empty original: every word is new.
    runs = DiffHighlighter::attributed("", "all new words");
    EXPECT_EQ(highlightedWords(runs), QStringList({"all", "new", "words"}));

    // Empty correction: one empty run at most, nothing visible.
    runs = DiffHighlighter::attributed("something here", "");
    EXPECT_EQ(joined(runs), "");
    EXPECT_EQ(runs.size(), 1);

    // Punctuation marks the whole word.
    runs = DiffHighlighter::attributed("see you soon", "see you soon.");
    EXPECT_EQ(highlightedWords(runs), QStringList({"soon."}));

    // A line feed does not separate words: the whole token carrying it is marked.
    runs = DiffHighlighter::attributed("first line\nsecnd line", "first line\nsecond line");
    EXPECT_EQ(highlightedWords(runs), QStringList({"line\nsecond"}));

    // Double spaces survive; the empty word between them is new here.
    runs = DiffHighlighter::attributed("a b", "a  b");
    EXPECT_EQ(joined(runs), "a  b");
    EXPECT_EQ(runs.size(), 5);
    EXPECT_EQ(highlightedWords(runs), QStringList({""}));
}

TEST(DiffHighlighterTest, CanonicallyEquivalentWordsAreEqual) {
    const QString composed = QString::fromUtf8("caf\u00e9 ouvert");
    const QString decomposed = QString::fromUtf8("cafe\u0301 ouvert");
    const auto runs = DiffHighlighter::attributed(composed, decomposed);
    EXPECT_TRUE(highlightedWords(runs).isEmpty());
    EXPECT_EQ(joined(runs), decomposed) << "the corrected spelling is shown as it came";
}

TEST(DiffHighlighterTest, RandomWordSequencesMatchTheReferenceDistance) {
    QRandomGenerator random(20260612);
    const QStringList vocabulary{"", "a", "b", "c", "dd", "e.", "f\ng", "ž"};
    auto sequence = [&] {
        QStringList words;
        const int length = random.bounded(0, 14);
        for (int i = 0; i < length; ++i)
            words.append(vocabulary[random.bounded(qsizetype(vocabulary.size()))]);
        return words.join(' ');
    };
    for (int round = 0; round < 3000; ++round) {
        const QString original = sequence();
        const QString corrected = sequence();
        const auto runs = DiffHighlighter::attributed(original, corrected);
        ASSERT_EQ(joined(runs), corrected) << (original + " -> " + corrected).toStdString();
        int marked = 0;
        for (const DiffRun& run : runs)
            marked += run.highlighted ? 1 : 0;
        ASSERT_EQ(marked, lcsInsertions(DiffHighlighter::words(original), DiffHighlighter::words(corrected)))
            << (original + " -> " + corrected).toStdString();
    }
}

}  // namespace
