// The field read again just before the chosen text goes in. It must still be there, in its running
// application, and hold the text that was checked; an edit the user made meanwhile that leaves every
// corrected word alone is kept, and the correction is made around it.
#pragma once

#include <QString>
#include <optional>

#include "core/FocusedField.h"
#include "platform/Accessibility.h"

namespace quillet {

class Workspace;

/// The field as it was read when the panel opened.
struct CheckedField {
    /// Its whole text.
    QString value;
    /// Where the text sent for checking stands in `value` (UTF-16 code units).
    TextRange sent;
};

struct FieldRecheck {
    enum class Verdict {
        same,        ///< the field holds what was checked: the chosen text goes over the part sent
        rebased,     ///< the user edited away from every corrected word: `range` and `text` keep it
        changed,     ///< the text changed where it was corrected, or cannot be matched: write nothing
        gone,        ///< the element or its application is gone, or another application is in front
        unanswered,  ///< the field does not answer now (its application is busy or stopped)
    };
    Verdict verdict = Verdict::changed;
    /// For `same` and `rebased`: the field's whole text now, the part of it the write replaces, and
    /// what goes there; `now` with `text` in place of `range` is exactly what the field will hold.
    QString now;
    TextRange range;
    QString text;

    /// What the field holds once the write has gone in.
    QString after() const { return now.left(range.location) + text + now.mid(range.location + range.length); }

    /// How `checked` becomes `now` with `chosen` in place of its sent part: the same place when the
    /// field still holds `checked.value`; otherwise only when the user's edit (the one stretch
    /// between what the two texts share at their start and at their end) stays clear of every word
    /// the correction changed, by at least one character. Pure.
    static FieldRecheck plan(const CheckedField& checked, const QString& chosen, const QString& now);

    /// Reads `field` now and plans the write. Gone: the element answers that it is gone, its process
    /// has ended, or the application in front is another one than the field's (this program's own
    /// windows aside).
    static FieldRecheck of(Accessibility& ax, Workspace& workspace, const FocusedField& field,
                           const CheckedField& checked, const QString& chosen);
};

}  // namespace quillet
