// A correction as the few places where it changes the field's text.
#include "core/WordEdits.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/LineEnds.h"

namespace quillet {

namespace {

// One word, run of spaces, punctuation mark or line break of a text.
struct Token {
    qsizetype start = 0;
    qsizetype size = 0;
    QString key;  // compared; line breaks in one form
    bool word = false;
};

// Above this many cells the changed middle of two texts is not aligned word by word: it is the
// whole text that changed, in all likelihood, and it goes in whole.
constexpr qint64 maxCells = 16'000'000;

bool hasLetterOrNumber(QStringView text) {
    const QList<uint> codePoints = text.toUcs4();
    return std::any_of(codePoints.begin(), codePoints.end(),
                       [](uint c) { return QChar::isLetterOrNumber(char32_t(c)); });
}

// Words as Unicode segments them: a cluster with its marks or an emoji sequence never splits, CR LF
// stays together, spaces and letters of a contraction stay in one piece.
QList<Token> tokens(const QString& text) {
    QList<Token> out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        const QStringView piece = QStringView(text).mid(start, end - start);
        out.append(
            Token{start, end - start, LineEnds::toLineFeeds(piece.toString()), hasLetterOrNumber(piece)});
        start = end;
    }
    return out;
}

qsizetype wordsIn(const QList<Token>& list, qsizetype from, qsizetype to) {
    return std::count_if(list.begin() + from, list.begin() + to, [](const Token& t) { return t.word; });
}

}  // namespace

WordEdits WordEdits::between(const QString& before, const QString& after) {
    const QList<Token> a = tokens(before);
    const QList<Token> b = tokens(after);
    // What the two share at the start and at the end needs no alignment.
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head].key == b[head].key)
        ++head;
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail].key == b[b.size() - 1 - tail].key)
        ++tail;
    const qsizetype n = a.size() - head - tail;
    const qsizetype m = b.size() - head - tail;

    WordEdits result;
    const qsizetype wordsBefore = wordsIn(a, 0, a.size());
    const qsizetype wordsAfter = wordsIn(b, 0, b.size());
    if (qint64(n + 1) * (m + 1) > maxCells || n >= 0xffff || m >= 0xffff) {
        result.tooDifferent = true;
        return result;
    }

    // lcs[i][j]: the longest common subsequence of the middles' tails from i and from j.
    const qsizetype width = m + 1;
    std::vector<std::uint16_t> lcs(size_t((n + 1) * width), 0);
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            lcs[size_t(i * width + j)] =
                a[head + i].key == b[head + j].key
                    ? std::uint16_t(lcs[size_t((i + 1) * width + j + 1)] + 1)
                    : std::max(lcs[size_t((i + 1) * width + j)], lcs[size_t(i * width + j + 1)]);

    qsizetype removedWords = 0;
    qsizetype addedWords = 0;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[head + i].key == b[head + j].key) {
            ++i;
            ++j;
            continue;
        }
        // A maximal run of changes: tokens [i0, i) of the text before give way to [j0, j) of the after.
        const qsizetype i0 = i;
        const qsizetype j0 = j;
        while ((i < n || j < m) && !(i < n && j < m && a[head + i].key == b[head + j].key)) {
            if (j >= m || (i < n && lcs[size_t((i + 1) * width + j)] >= lcs[size_t(i * width + j + 1)]))
                ++i;
            else
                ++j;
        }
        // A run that only adds goes in before the token that follows it, or at the very end.
        const qsizetype from = head + i0 < a.size() ? a[head + i0].start : before.size();
        const qsizetype to = i > i0 ? a[head + i - 1].start + a[head + i - 1].size : from;
        const qsizetype textFrom = j > j0 ? b[head + j0].start : 0;
        const qsizetype textTo = j > j0 ? b[head + j - 1].start + b[head + j - 1].size : textFrom;
        result.edits.append(TextEdit{from, to - from, after.mid(textFrom, textTo - textFrom)});
        removedWords += wordsIn(a, head + i0, head + i);
        addedWords += wordsIn(b, head + j0, head + j);
    }

    const qsizetype words = std::max(wordsBefore, wordsAfter);
    result.tooDifferent = 2 * std::max(removedWords, addedWords) > words || result.edits.size() >= maxEdits;
    return result;
}

QString WordEdits::applied(QString text, const QList<TextEdit>& edits) {
    for (auto it = edits.crbegin(); it != edits.crend(); ++it)
        text.replace(it->location, it->length, it->text);
    return text;
}

QList<TextEdit> WordEdits::inverse(const QString& before, const QList<TextEdit>& edits) {
    QList<TextEdit> out;
    qint64 shift = 0;
    for (const TextEdit& edit : edits) {
        out.append(TextEdit{edit.location + shift, edit.text.size(), before.mid(edit.location, edit.length)});
        shift += edit.text.size() - edit.length;
    }
    return out;
}

QList<TextEdit> WordEdits::shifted(QList<TextEdit> edits, qint64 by) {
    for (TextEdit& edit : edits)
        edit.location += by;
    return edits;
}

}  // namespace quillet
