// Marks the words of a corrected text that the correction changed or added, for display.
#pragma once

#include <QList>
#include <QString>
#include <QVector>

namespace quillet {

/// One piece of styled text: a word or a single space. Space runs are never highlighted.
struct DiffRun {
    QString text;
    bool highlighted = false;
    bool operator==(const DiffRun&) const = default;
};

namespace DiffHighlighter {

/// `corrected` as runs (word, space, word, ...) whose words are highlighted where the shortest edit
/// script from `original` inserts them. Joined, the runs give `corrected` exactly. Pure; any thread.
QList<DiffRun> attributed(const QString& original, const QString& corrected);

/// The words of `text` split at U+0020 only, empty words kept ("" gives one empty word).
QStringList words(const QString& text);

/// Offsets in `b` of the words Myers' greedy forward algorithm inserts to turn `a` into `b`, ascending.
/// Words are compared as integers; attributed() maps canonically equivalent words to one number.
QVector<int> insertions(const QVector<int>& a, const QVector<int>& b);

}  // namespace DiffHighlighter
}  // namespace quillet
