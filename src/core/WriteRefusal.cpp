// Why a chosen text was not written into its field, and what the panel and the notice say then.
#include "core/WriteRefusal.h"

namespace quillet::WriteRefusals {

std::optional<WriteRefusal> of(FieldRecheck::Verdict verdict) {
    switch (verdict) {
        case FieldRecheck::Verdict::changed:
            return WriteRefusal::textChanged;
        case FieldRecheck::Verdict::gone:
            return WriteRefusal::fieldGone;
        default:
            return std::nullopt;
    }
}

std::optional<WriteRefusal> ofText(const QString& chosen) {
    // Accessibility calls and the clipboard's text formats end a text at its first NUL: the field
    // would be left with the part before it.
    if (chosen.contains(QChar(u'\0')))
        return WriteRefusal::unwritable;
    return std::nullopt;
}

QString message(WriteRefusal refusal, const L10n& l) {
    if (refusal == WriteRefusal::unwritable)
        return l.text(QT_TRANSLATE_NOOP(
            "Quillet", "This text holds a character a field cannot take. Nothing was written."));
    if (refusal == WriteRefusal::textChanged)
        return l.text(QT_TRANSLATE_NOOP("Quillet", "The text changed after it was checked."));
    return l.text(QT_TRANSLATE_NOOP("Quillet",
                                    "The field is gone: its application closed, or another one is in front. "
                                    "Nothing was written."));
}

QString checkAgain(const L10n& l) {
    return l.text(QT_TRANSLATE_NOOP("Quillet", "Check again"));
}

QString undoRefused(const L10n& l) {
    return l.text(QT_TRANSLATE_NOOP("Quillet", "The text changed since; nothing was undone."));
}

}  // namespace quillet::WriteRefusals
