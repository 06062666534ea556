// A correction as the few places where it changes the field's text: each maximal run of changed
// words, spaces and punctuation becomes one in-place edit, so the rest of the field (its formatting,
// its undo history, an image between paragraphs) stays as it is.
#pragma once

#include <QList>
#include <QString>

namespace quillet {

/// Replaces `length` UTF-16 code units from `location` with `text`.
struct TextEdit {
    qint64 location = 0;
    qint64 length = 0;
    QString text;
    bool operator==(const TextEdit&) const = default;
};

struct WordEdits {
    /// The edits that turn the text before into the text after, in UTF-16 code units of the text
    /// before, ascending and never touching one another. Runs start and end between words, so no
    /// grapheme cluster (an emoji, a letter with its combining marks) is ever cut; a line break in
    /// one form (CR LF, CR, LF) matches one in another and stays as the field has it.
    QList<TextEdit> edits;
    /// The texts differ too much for edits to be worth it (more than half the words changed, a
    /// rephrasing, too many places): the whole text is better written at once.
    bool tooDifferent = false;

    /// Whether the correction goes in as edits: there is something to change, in few places.
    bool fit() const { return !tooDifferent && !edits.isEmpty(); }

    /// The word-run edits from `before` to `after`. Pure; any thread.
    static WordEdits between(const QString& before, const QString& after);

    /// Edits this many places or more are written as the whole text.
    static constexpr qsizetype maxEdits = 40;

    /// `text` with `edits` (ascending, in its own offsets) applied from the end to the start, so the
    /// offsets of the edits still to come stay valid.
    static QString applied(QString text, const QList<TextEdit>& edits);
    /// The edits that take `edits` back: in offsets of the text they produced from `before`,
    /// ascending, each putting back what it replaced.
    static QList<TextEdit> inverse(const QString& before, const QList<TextEdit>& edits);
    /// `edits` moved `by` code units, for a part that starts there in the whole text.
    static QList<TextEdit> shifted(QList<TextEdit> edits, qint64 by);
};

}  // namespace quillet
