// A language recogniser that answers what the test tells it, and remembers what it was asked.
#pragma once

#include <QStringList>

#include "platform/LanguageRecognizer.h"

namespace quillet {

class FakeLanguageRecognizer final : public LanguageRecognizer {
public:
    std::optional<QString> dominantLanguage(const QString& text) const override {
        asked.append(text);
        return answer;
    }

    std::optional<QString> answer = QStringLiteral("en");
    mutable QStringList asked;
};

}  // namespace quillet
