// The two system prompts and the hint that names the user's language to the model.
#include "core/Prompts.h"

#include <QStringList>

#include "platform/LanguageRecognizer.h"

namespace quillet {

QString Prompts::proofreading() {
    static const QString text =
        QStringList{
            QStringLiteral(
                "You are a proofreader. Correct the grammar, spelling and punctuation of the text."),
            QStringLiteral("Preserve the language, meaning, tone and formatting (line breaks, emoji)."),
            QStringLiteral(
                "Do not add or remove content. If the text is already correct, return it unchanged with an "
                "empty \"changes\" array. Return strictly JSON:"),
            QStringLiteral(
                R"({"corrected": "...", "changes": [{"from": "...", "to": "...", "reason": "..."}]})"),
        }
            .join(QLatin1Char('\n'));
    return text;
}

QString Prompts::rephrasing() {
    static const QString text =
        QStringList{
            QStringLiteral(
                "Offer 3 alternative phrasings of the text, in the same language as the original:"),
            QStringLiteral(
                "1) \"neutral\" — a more natural version, 2) \"professional\" — a more formal tone,"),
            QStringLiteral("3) \"concise\" — a shorter version with the same meaning."),
            QStringLiteral("Preserve the meaning and formatting. Return strictly JSON:"),
            QStringLiteral(R"({"variants": [{"style": "neutral", "text": "..."}, {"style": "professional", )"
                           R"("text": "..."}, {"style": "concise", "text": "..."}]})"),
        }
            .join(QLatin1Char('\n'));
    return text;
}

QString Prompts::customAction(const QString& instruction) {
    // The instruction is the task; the rest keeps the answer in the shape the alternatives use, so
    // the result is read and offered the same way.
    return QStringList{
        QStringLiteral("Rewrite the text as the user asks:"),
        instruction.trimmed(),
        QStringLiteral("Unless asked otherwise, keep the language of the original and its formatting "
                       "(line breaks, emoji); what is asked above goes before any note on the text's "
                       "language. Return strictly JSON:"),
        QStringLiteral(R"({"variants": [{"style": "custom", "text": "..."}]})"),
    }
        .join(QLatin1Char('\n'));
}

QString Prompts::languageHint(const QString& text, const LanguageRecognizer& recognizer) {
    const std::optional<QString> code = recognizer.dominantLanguage(text);
    if (!code || code->isEmpty())
        return {};
    return QStringLiteral("\n\n(Text language: ") + *code +
           QStringLiteral(" — respond in the same language.)");
}

}  // namespace quillet
