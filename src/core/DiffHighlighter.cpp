// Marks the words of a corrected text that the correction changed or added, for display.
#include "core/DiffHighlighter.h"

#include <QHash>
#include <algorithm>

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

QVector<int> DiffHighlighter::insertions(const QVector<int>& a, const QVector<int>& b) {
    const int n = int(a.size());
    const int m = int(b.size());
    const int max = n + m;
    const int offset = max + 1;  // v[k + offset] is the furthest x on diagonal k
    std::vector<int> v(size_t(2 * max + 3), 0);
    v[size_t(1 + offset)] = 0;

    // trace[d] keeps what pass d - 1 left on diagonals -(d - 1) .. d - 1: all the walk back reads.
    std::vector<std::vector<int>> trace;
    int endPass = -1;
    for (int d = 0; d <= max && endPass < 0; ++d) {
        if (d == 0) {
            trace.emplace_back();
        } else {
            trace.emplace_back(v.begin() + (offset - d + 1), v.begin() + (offset + d));
        }
        for (int k = -d; k <= d; k += 2) {
            int x;
            if (k == -d || (k != d && v[size_t(k - 1 + offset)] < v[size_t(k + 1 + offset)])) {
                x = v[size_t(k + 1 + offset)];  // insertion: one word of b
            } else {
                x = v[size_t(k - 1 + offset)] + 1;  // removal: one word of a
            }
            int y = x - k;
            while (x < n && y < m && a[x] == b[y]) {
                ++x;
                ++y;
            }
            v[size_t(k + offset)] = x;
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
        const std::vector<int>& prev = trace[size_t(d)];
        auto at = [&](int k) { return prev[size_t(k + d - 1)]; };  // diagonal k of pass d - 1
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
