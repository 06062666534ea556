// Answers of the model that would destroy the user's text if they went in as they are: an empty
#include "core/AnswerGuard.h"

#include "core/LineEnds.h"
#include "core/OpenAIError.h"

namespace quillet::AnswerGuard {

bool isEmptyFor(const QString& sent, const QString& answer) {
    return !sent.trimmed().isEmpty() && answer.trimmed().isEmpty();
}

bool isFarLonger(const QString& sent, const QString& answer) {
    return answer.size() > 3 * sent.size() + lengthMargin;
}

bool isRunaway(qsizetype sentSize, qsizetype answerSize) {
    return answerSize > 10 * sentSize + runawayMargin;
}

bool isUnchanged(const QString& sent, const QString& corrected) {
    return LineEnds::toLineFeeds(sent) == LineEnds::toLineFeeds(corrected);
}

QString emptyAnswerMessage(const L10n& l) {
    return OpenAIError::badResponse(l.text(QT_TRANSLATE_NOOP("Quillet", "the model sent back an empty text")))
        .message();
}

QString farLongerNote(const L10n& l) {
    return l.text(QT_TRANSLATE_NOOP("Quillet", "Much longer than your text: read it before you replace."));
}

}  // namespace quillet::AnswerGuard
