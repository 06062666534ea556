// Why a chosen text was not written into its field, and what the panel and the notice say then.
#pragma once

#include <QString>
#include <optional>

#include "core/FieldRecheck.h"
#include "core/L10n.h"

namespace quillet {

enum class WriteRefusal {
    textChanged,  ///< the field's text is no longer the one that was checked
    fieldGone,    ///< the field, or its application, is gone, or another application is in front
    unwritable,   ///< the text holds a character no road can carry whole (a NUL would cut it there)
};

namespace WriteRefusals {

/// The refusal a recheck of the field comes to; empty when the write may go ahead.
std::optional<WriteRefusal> of(FieldRecheck::Verdict verdict);
/// The refusal for a text that would land shorter than chosen; empty when it can go in whole.
std::optional<WriteRefusal> ofText(const QString& chosen);
/// What the panel says in place of the results.
QString message(WriteRefusal refusal, const L10n& l);
/// Whether the panel offers to check the field's text again.
inline bool offersCheckAgain(WriteRefusal refusal) {
    return refusal == WriteRefusal::textChanged;
}
/// The button that checks the field's new text.
QString checkAgain(const L10n& l);
/// The notice when Undo finds the field changed since the replacement.
QString undoRefused(const L10n& l);

}  // namespace WriteRefusals
}  // namespace quillet
