// The state of one suggestion request: the user's text and the two results as they arrive.
#include "core/SuggestionViewModel.h"

#include <QPointer>

#include "core/AnswerGuard.h"
#include "core/Prompts.h"

namespace quillet {

SuggestionViewModel::SuggestionViewModel(QString text, OpenAIClient client, QList<CustomAction> actions,
                                         QObject* parent)
    : QObject(parent),
      m_originalText(std::move(text)),
      m_sentText(OpenAIClient::cutText(m_originalText)),
      m_client(std::move(client)),
      m_actions(std::move(actions)),
      m_actionResults(m_actions.size()),
      m_actionRequests(m_actions.size()) {}

SuggestionViewModel::~SuggestionViewModel() {
    cancel();
}

void SuggestionViewModel::cancel() {
    m_correctionRequest.cancel();
    m_rephraseRequest.cancel();
    for (PendingRequest& request : m_actionRequests)
        request.cancel();
}

std::optional<SuggestionViewModel::RephraseLoad> SuggestionViewModel::actionResult(qsizetype index) const {
    if (index < 0 || index >= m_actionResults.size())
        return std::nullopt;
    return m_actionResults[index];
}

void SuggestionViewModel::runAction(qsizetype index) {
    if (index < 0 || index >= m_actions.size())
        return;
    m_actionRequests[index].cancel();
    m_actionResults[index] = RephraseLoad::loading();
    Q_EMIT actionChanged(index);

    QPointer<SuggestionViewModel> self(this);
    m_actionRequests[index] = m_client.request<RephraseResult>(
        Prompts::customAction(m_actions[index].instruction), m_originalText, rephrasingTemperature,
        [self, index](Outcome<RephraseResult> outcome) {
            if (!self)
                return;
            if (auto* result = std::get_if<RephraseResult>(&outcome)) {
                // The model was asked for one text; an answer without one is no result to offer.
                if (result->variants.isEmpty() || result->variants.first().text.trimmed().isEmpty())
                    self->m_actionResults[index] = RephraseLoad::failed(
                        OpenAIError::badResponse(OpenAIError::emptyContentDetail).message());
                else
                    self->m_actionResults[index] = RephraseLoad::loaded(std::move(*result));
            } else {
                self->m_actionResults[index] = RephraseLoad::failed(std::get<OpenAIError>(outcome).message());
            }
            Q_EMIT self->actionChanged(index);
        },
        {}, 1);  // an action's answer is one text
}

void SuggestionViewModel::setCorrection(CorrectionLoad value) {
    m_correction = std::move(value);
    Q_EMIT correctionChanged();
    Q_EMIT changed();
}

void SuggestionViewModel::setRephrase(RephraseLoad value) {
    m_rephrase = std::move(value);
    Q_EMIT rephraseChanged();
    Q_EMIT changed();
}

void SuggestionViewModel::setSelectedTab(int value) {
    m_selectedTab = value;
    Q_EMIT selectedTabChanged();
    Q_EMIT changed();
}

void SuggestionViewModel::loadAll() {
    cancel();
    m_replaceWhenReady = false;
    m_partialCorrection.clear();
    m_partialVariants.clear();
    setCorrection(CorrectionLoad::loading());
    setRephrase(RephraseLoad::loading());

    // The requests outlive nothing they need: a result arriving after the model is gone is dropped.
    QPointer<SuggestionViewModel> self(this);
    m_correctionRequest = m_client.request<CorrectionResult>(
        Prompts::proofreading(), m_originalText, proofreadingTemperature,
        [self](Outcome<CorrectionResult> outcome) {
            if (!self)
                return;
            const bool waiting = std::exchange(self->m_replaceWhenReady, false);
            if (auto* result = std::get_if<CorrectionResult>(&outcome)) {
                // An empty answer for a text with words would empty the field.
                if (AnswerGuard::isEmptyFor(self->m_sentText, result->corrected)) {
                    self->setCorrection(
                        CorrectionLoad::failed(AnswerGuard::emptyAnswerMessage(L10n::current())));
                    return;
                }
                // What Return would offer: a text that changes something, and not one far longer,
                // which only a deliberate click puts in.
                const std::optional<QString> chosen =
                    waiting && !AnswerGuard::isUnchanged(self->m_sentText, result->corrected) &&
                            !AnswerGuard::isFarLonger(self->m_sentText, result->corrected)
                        ? std::optional<QString>(result->corrected)
                        : std::nullopt;
                self->setCorrection(CorrectionLoad::loaded(std::move(*result)));
                if (self && chosen)
                    self->replace(*chosen);
            } else {
                self->setCorrection(CorrectionLoad::failed(std::get<OpenAIError>(outcome).message()));
            }
        },
        [self](const PartialAnswer& partial) {
            if (!self || !self->m_correction.isLoading() || partial.corrected() == self->m_partialCorrection)
                return;
            self->m_partialCorrection = partial.corrected();
            Q_EMIT self->progressed();
        });
    m_rephraseRequest = m_client.request<RephraseResult>(
        Prompts::rephrasing(), m_originalText, rephrasingTemperature,
        [self](Outcome<RephraseResult> outcome) {
            if (!self)
                return;
            if (auto* result = std::get_if<RephraseResult>(&outcome)) {
                // A variant without text is none to offer; an answer of nothing else is no answer.
                const bool any = !result->variants.isEmpty();
                result->variants.removeIf([&self](const RephraseVariant& v) {
                    return AnswerGuard::isEmptyFor(self->m_sentText, v.text);
                });
                if (any && result->variants.isEmpty())
                    self->setRephrase(RephraseLoad::failed(AnswerGuard::emptyAnswerMessage(L10n::current())));
                else
                    self->setRephrase(RephraseLoad::loaded(std::move(*result)));
            } else {
                self->setRephrase(RephraseLoad::failed(std::get<OpenAIError>(outcome).message()));
            }
        },
        [self](const PartialAnswer& partial) {
            if (!self || !self->m_rephrase.isLoading() || partial.variants() == self->m_partialVariants)
                return;
            self->m_partialVariants = partial.variants();
            Q_EMIT self->progressed();
        });
}

void SuggestionViewModel::replace(const QString& text) {
    Q_EMIT replaceRequested(text);
}

void SuggestionViewModel::replaceWhenReady() {
    if (!m_correction.isLoading() || m_replaceWhenReady)
        return;
    m_replaceWhenReady = true;
    Q_EMIT changed();
}

void SuggestionViewModel::requestClose() {
    Q_EMIT closeRequested();
}

void SuggestionViewModel::setWriteRefusal(WriteRefusal refusal) {
    m_writeRefusal = refusal;
    Q_EMIT changed();
}

void SuggestionViewModel::checkAgain() {
    Q_EMIT checkAgainRequested();
}

}  // namespace quillet
