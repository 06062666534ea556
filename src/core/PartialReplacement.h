// A text too long to be checked whole: the part that was sent, what followed it, and how a chosen
// text goes back in place of that part alone, leaving the rest of the field as it was.
#pragma once

#include <QString>
#include <optional>

#include "platform/Accessibility.h"

namespace quillet {

struct PartialReplacement {
    /// The text as it was sent for checking: the first OpenAIClient::maxCharacters graphemes.
    QString sent;
    /// What followed the cut, never sent; empty when the whole text was sent.
    QString rest;

    /// Cuts `text` where the requests cut it, never inside a grapheme.
    static PartialReplacement of(const QString& text);

    /// Whether only the first part of the text was checked.
    bool isPartial() const { return !rest.isEmpty(); }
    /// The whole text once `chosen` stands in place of the part that was sent.
    QString joined(const QString& chosen) const { return chosen + rest; }
    /// Where the part that was sent stands in `value` (UTF-16 code units), looked for at `expectedAt`
    /// first, then anywhere else where it occurs exactly once. Nothing when the field no longer holds
    /// it: a write at a guessed place would cut into the user's text.
    std::optional<TextRange> rangeIn(const QString& value, qint64 expectedAt) const;
};

}  // namespace quillet
