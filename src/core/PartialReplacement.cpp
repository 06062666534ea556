// Puts a corrected part of a long text back in its place, the rest untouched.
#include "core/PartialReplacement.h"

#include "core/OpenAIClient.h"
#include "core/TextIO.h"

namespace quillet {

PartialReplacement PartialReplacement::of(const QString& text) {
    PartialReplacement part;
    part.sent = OpenAIClient::cutText(text, OpenAIClient::maxCharacters);
    part.rest = text.mid(part.sent.size());
    return part;
}

std::optional<TextRange> PartialReplacement::rangeIn(const QString& value, qint64 expectedAt) const {
    const qint64 length = sent.size();
    // Fields hand line breaks back in their own form; the text was read from this very field, so
    // the lengths agree.
    const QString want = TextIO::comparable(sent);
    if (expectedAt >= 0 && expectedAt + length <= value.size() &&
        TextIO::comparable(value.mid(expectedAt, length)) == want)
        return TextRange{expectedAt, length};
    const QString have = TextIO::comparable(value);
    if (have.size() != value.size())
        return std::nullopt;  // offsets in the comparable form would not be the field's
    const qsizetype first = have.indexOf(want);
    if (first < 0 || have.indexOf(want, first + 1) >= 0)
        return std::nullopt;
    return TextRange{first, length};
}

}  // namespace quillet
