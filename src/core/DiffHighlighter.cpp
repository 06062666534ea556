#include "core/DiffHighlighter.h"

#include <QHash>
#include <algorithm>
#include <memory>
#include <vector>

namespace quillet {

namespace {

// Below U+0300 there are no combining marks, so such a word is already in its composed form.
bool isPlainlyNormal(const QString& word) {
    for (const QChar c : word)
        if (c.unicode() >= 0x300)
            return false;
    return true;
}

}  // namespace

QStringList DiffHighlighter::words(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
}

namespace {

// Myers' greedy forward pass with its walk back. The trace keeps, for each pass d, what pass d - 1
// left on its own diagonals -(d - 1), -(d - 3) .. d - 1 (the others are never read), as `Offset`s:
// two texts of a few thousand words with nothing in common need millions of them, and a trace of
// whole arrays of ints would take most of the time in memory traffic.
template <typename Offset>
QVector<int> greedyInsertions(const QVector<int>& a, const QVector<int>& b) {
    const int n = int(a.size());
    const int m = int(b.size());
    const int max = n + m;
    const int offset = max + 1;
    std::vector<int> storage(size_t(2 * max + 3), 0);
    int* const v = storage.data() + offset;  // v[k] is the furthest x on diagonal k
    const int* const wordsA = a.constData();
    const int* const wordsB = b.constData();

    // trace[d - 1] holds the d numbers of pass d.
    std::vector<std::unique_ptr<Offset[]>> trace;
    int endPass = -1;
    for (int d = 0; d <= max && endPass < 0; ++d) {
        if (d > 0) {
            Offset* saved = trace.emplace_back(std::make_unique_for_overwrite<Offset[]>(size_t(d))).get();
            for (int k = -(d - 1), i = 0; k <= d - 1; k += 2, ++i)
                saved[i] = Offset(v[k]);
        }
        for (int k = -d; k <= d; k += 2) {
            int x;
            if (k == -d || (k != d && v[k - 1] < v[k + 1])) {
                x = v[k + 1];  // insertion: one word of b
            } else {
                x = v[k - 1] + 1;  // removal: one word of a
            }
            int y = x - k;
            while (x < n && y < m && wordsA[x] == wordsB[y]) {
                ++x;
                ++y;
            }
            v[k] = x;
            if (x >= n && y >= m) {
                endPass = d;
                break;
            }
        }
    }

    QVector<int> inserted;
    int x = n;
    int y = m;
    for (int d = endPass; d > 0; --d) {
        const Offset* prev = trace[size_t(d - 1)].get();
        auto at = [&](int k) { return int(prev[(k + d - 1) / 2]); };  // diagonal k of pass d - 1
        const int k = x - y;
        const int prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int prevX = at(prevK);
        const int prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            --x;
            --y;
        }
        if (x == prevX)
            inserted.append(prevY);  // the step took b[prevY]
        x = prevX;
        y = prevY;
    }
    std::reverse(inserted.begin(), inserted.end());
    return inserted;
}

}  // namespace

QVector<int> DiffHighlighter::insertions(const QVector<int>& a, const QVector<int>& b) {
    // Positions in a are what the trace keeps; a field's worth of words fits in 16 bits.
    if (a.size() < 0xFFFF)
        return greedyInsertions<quint16>(a, b);
    return greedyInsertions<int>(a, b);
}

QList<DiffRun> DiffHighlighter::attributed(const QString& original, const QString& corrected) {
    const QStringList a = words(original);
    const QStringList b = words(corrected);

    // One number per distinct word, canonically equivalent spellings sharing one.
    QHash<QString, int> ids;
    ids.reserve(a.size() + b.size());
    auto numbered = [&ids](const QStringList& list) {
        QVector<int> out;
        out.reserve(list.size());
        for (const QString& word : list) {
            const QString key = isPlainlyNormal(word) ? word : word.normalized(QString::NormalizationForm_C);
            auto it = ids.constFind(key);
            if (it == ids.constEnd())
                it = ids.insert(key, int(ids.size()));
            out.append(it.value());
        }
        return out;
    };
    const QVector<int> na = numbered(a);
    const QVector<int> nb = numbered(b);
    const QVector<int> inserted = insertions(na, nb);

    QList<DiffRun> runs;
    runs.reserve(2 * b.size());
    qsizetype next = 0;  // inserted is ascending
    for (qsizetype i = 0; i < b.size(); ++i) {
        const bool highlighted = next < inserted.size() && inserted[next] == i;
        if (highlighted)
            ++next;
        runs.append(DiffRun{b[i], highlighted});
        if (i + 1 < b.size())
            runs.append(DiffRun{QStringLiteral(" "), false});
    }
    return runs;
}

}  // namespace quillet
