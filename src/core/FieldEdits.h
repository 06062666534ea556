// Word-run edits sent into a field through accessibility, one at a time from the end of its text to
// the start, and taken back the same way when the field will not take them all: a field is never
// left with only part of a correction in it.
#pragma once

#include <QList>
#include <optional>

#include "base/Accessible.h"
#include "core/WordEdits.h"

namespace quillet {

class Accessibility;

namespace FieldEdits {

enum class Sent {
    all,         // every edit accepted
    none,        // the first edit sent (the last in the text) refused: nothing changed
    takenBack,   // a later one refused, and those already in were taken back
    halfWritten  // a later one refused, and so was taking back those already in
};

/// Sends `edits` (ascending, in offsets of `before`, the field's text) from the last to the first.
Sent send(Accessibility& ax, const Accessible& element, const QString& before, const QList<TextEdit>& edits);

/// Takes back the last `count` of `edits`, which are in the field while those before them are not.
/// Whether every edit that takes one back was accepted.
bool takeBack(Accessibility& ax, const Accessible& element, const QString& before,
              const QList<TextEdit>& edits, qsizetype count);

/// How many of the last `edits` the field's text `now` shows, where it is `before` with exactly
/// those in (line breaks in any form): 0 where it is `before` itself; nothing where it is anything
/// else.
std::optional<qsizetype> shownIn(const QString& now, const QString& before, const QList<TextEdit>& edits);

}  // namespace FieldEdits
}  // namespace quillet
