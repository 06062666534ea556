// The two system prompts and the hint that names the user's language to the model.
#pragma once

#include <QString>

namespace quillet {

class LanguageRecognizer;

namespace Prompts {

/// Asks for {"corrected", "changes"}; sent with temperature 0.2.
QString proofreading();
/// Asks for {"variants"} in the styles neutral, professional, concise; sent with temperature 0.7.
QString rephrasing();
/// The user's own instruction as the task; asks for {"variants"} with one entry, like rephrasing(),
/// and is sent with its temperature.
QString customAction(const QString& instruction);
/// "\n\n(Text language: <code> — respond in the same language.)", or "" when no language is recognised.
QString languageHint(const QString& text, const LanguageRecognizer& recognizer);

}  // namespace Prompts
}  // namespace quillet
