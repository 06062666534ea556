// Names the dominant language of a text: the seam that keeps the recogniser library out of the core.
#pragma once

#include <QString>
#include <optional>

namespace quillet {

class LanguageRecognizer {
public:
    LanguageRecognizer() = default;
    LanguageRecognizer(const LanguageRecognizer&) = delete;
    LanguageRecognizer& operator=(const LanguageRecognizer&) = delete;
    virtual ~LanguageRecognizer() = default;

    /// The short code of the text's dominant language ("en", "sr", ...), or nothing when the text holds
    /// no letter or the language is unknown. Stateless; safe from any thread.
    virtual std::optional<QString> dominantLanguage(const QString& text) const = 0;
};

}  // namespace quillet
