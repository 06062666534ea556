// The state of one suggestion request: the user's text and the two results as they arrive.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "core/CustomActions.h"
#include "core/Load.h"
#include "core/Models.h"
#include "core/OpenAIClient.h"
#include "core/WriteRefusal.h"

namespace quillet {

class SuggestionViewModel : public QObject {
    Q_OBJECT
public:
    using CorrectionLoad = Load<CorrectionResult>;
    using RephraseLoad = Load<RephraseResult>;

    static constexpr double proofreadingTemperature = 0.2;
    static constexpr double rephrasingTemperature = 0.7;

    /// Both results `loading`, tab 0. Sends nothing until loadAll(); the user's own
    /// actions send nothing until runAction().
    SuggestionViewModel(QString text, OpenAIClient client, QList<CustomAction> actions = {},
                        QObject* parent = nullptr);
    ~SuggestionViewModel() override;

    const CorrectionLoad& correction() const { return m_correction; }
    const RephraseLoad& rephrase() const { return m_rephrase; }
    /// 0 = correction, 1 = alternatives.
    int selectedTab() const { return m_selectedTab; }
    const QString& originalText() const { return m_originalText; }
    /// While the correction loads: its text as far as the model has written it ("" before).
    const QString& partialCorrection() const { return m_partialCorrection; }
    /// While the alternatives load: those the model has finished, in order, as many as are offered.
    const QList<RephraseVariant>& partialVariants() const { return m_partialVariants; }
    /// The part of the text that goes to the model, which the correction stands for: the whole text
    /// unless it was cut.
    const QString& sentText() const { return m_sentText; }
    /// Whether the text was too long and only its first part is checked.
    bool isPartial() const { return m_sentText.size() != m_originalText.size(); }

    /// The user's own actions, offered below the alternatives.
    const QList<CustomAction>& actions() const { return m_actions; }
    /// The result of the action at `index`; empty until the user runs it (or for no such action).
    std::optional<RephraseLoad> actionResult(qsizetype index) const;
    /// Sends the action's request, or sends it again; the result goes back to `loading`, and
    /// actionChanged(index) follows each change. Out of range: nothing.
    void runAction(qsizetype index);

    // Every assignment notifies, an equal value included: its own signal, then changed().
    void setCorrection(CorrectionLoad value);
    void setRephrase(RephraseLoad value);
    void setSelectedTab(int value);

    /// Starts (or restarts) both requests side by side: both fields go back to `loading` and each
    /// result is stored on the main thread when it arrives. The tab is left as it is.
    void loadAll();
    /// Stops every request, actions' included, retries too; what has not arrived stays `loading`.
    /// Also done when the model goes.
    void cancel();

    /// For the views: sends replaceRequested(text).
    void replace(const QString& text);
    /// Return pressed while the correction is still on its way: it goes into the field as soon as it
    /// is whole, as Replace would put it. Nothing goes in when it fails or finds nothing to change:
    /// the panel then shows that as it always does. Only while the correction is loading.
    void replaceWhenReady();
    /// Whether the correction goes into the field as soon as it is whole.
    bool replacesWhenReady() const { return m_replaceWhenReady; }
    /// For the views: sends closeRequested().
    void requestClose();

    /// Why the chosen text was not written; the panel shows it in place of the results. Empty
    /// until a write is refused.
    const std::optional<WriteRefusal>& writeRefusal() const { return m_writeRefusal; }
    void setWriteRefusal(WriteRefusal refusal);
    /// For the views: sends checkAgainRequested().
    void checkAgain();

Q_SIGNALS:
    /// The user chose `text` to go into the field.
    void replaceRequested(const QString& text);
    /// The user asks to close the panel.
    void closeRequested();
    /// The user asks for the field's new text to be checked.
    void checkAgainRequested();
    void correctionChanged();
    void rephraseChanged();
    void selectedTabChanged();
    /// After any of the three above: re-read the whole state.
    void changed();
    /// partialCorrection() or partialVariants() grew; nothing else changed.
    void progressed();
    /// actionResult(index) changed.
    void actionChanged(qsizetype index);

private:
    const QString m_originalText;
    const QString m_sentText;
    const OpenAIClient m_client;
    PendingRequest m_correctionRequest;
    PendingRequest m_rephraseRequest;
    CorrectionLoad m_correction;
    RephraseLoad m_rephrase;
    const QList<CustomAction> m_actions;
    QList<std::optional<RephraseLoad>> m_actionResults;
    QList<PendingRequest> m_actionRequests;
    int m_selectedTab = 0;
    bool m_replaceWhenReady = false;
    QString m_partialCorrection;
    QList<RephraseVariant> m_partialVariants;
    std::optional<WriteRefusal> m_writeRefusal;
};

}  // namespace quillet
