// The language recogniser on CLD2 (Compact Language Detector 2).
#pragma once

#include "platform/LanguageRecognizer.h"

namespace quillet {

class Cld2LanguageRecognizer final : public LanguageRecognizer {
public:
    std::optional<QString> dominantLanguage(const QString& text) const override;
};

}  // namespace quillet
