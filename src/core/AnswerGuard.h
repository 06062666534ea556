// Answers of the model that would destroy the user's text if they went in as they are: an empty
// correction of a text with words, or one far longer than what was sent.
#pragma once

#include <QString>

#include "core/L10n.h"

namespace quillet::AnswerGuard {

/// Room a short text has to grow before its correction counts as far longer.
inline constexpr qsizetype lengthMargin = 100;

/// A text with something in it whose answer holds nothing: never offered for Replace.
bool isEmptyFor(const QString& sent, const QString& answer);
/// More than three times as long as what was sent, plus the margin: shown, but only a deliberate
/// click replaces the text with it.
bool isFarLonger(const QString& sent, const QString& answer);
/// Room any answer has past ten times the text sent before it counts as a model in a loop.
inline constexpr qsizetype runawayMargin = 2000;
/// An answer of `answerSize` characters (the model's whole JSON) to `sentSize` characters is far past
/// anything the text could need: more than ten times its size plus the margin.
bool isRunaway(qsizetype sentSize, qsizetype answerSize);
/// The correction is the text that was sent (line breaks aside), whatever changes it lists.
bool isUnchanged(const QString& sent, const QString& corrected);

/// The panel's message for an empty answer.
QString emptyAnswerMessage(const L10n& l);
/// The note beside a correction far longer than the text.
QString farLongerNote(const L10n& l);

}  // namespace quillet::AnswerGuard
