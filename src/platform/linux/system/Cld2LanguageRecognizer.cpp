// The language recogniser on CLD2 (Compact Language Detector 2).
#include "platform/linux/system/Cld2LanguageRecognizer.h"

#include <cld2/public/compact_lang_det.h>

#include <QString>

namespace quillet {

namespace {

bool holdsLetter(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (QChar::isLetter(c))
            return true;
    }
    return false;
}

}  // namespace

std::optional<QString> Cld2LanguageRecognizer::dominantLanguage(const QString& text) const {
    if (!holdsLetter(text))
        return std::nullopt;
    // toUtf8() turns a lone surrogate into U+FFFD, so CLD2 always gets valid UTF-8.
    const QByteArray utf8 = text.toUtf8();
    bool reliable = false;
    const CLD2::Language language =
        CLD2::DetectLanguage(utf8.constData(), int(utf8.size()), /*is_plain_text=*/true, &reliable);
    if (language == CLD2::UNKNOWN_LANGUAGE)
        return std::nullopt;
    const char* code = CLD2::LanguageCode(language);
    if (!code || !*code)
        return std::nullopt;
    return QString::fromLatin1(code);
}

}  // namespace quillet
