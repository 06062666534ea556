// The suggestion panel's content: header with tabs, the corrected text or the alternatives, and the
// loading, failure and nothing-to-fix states. Draws the view model; sends choices back through it.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "core/L10n.h"
#include "core/SuggestionViewModel.h"

class QLabel;
class QVBoxLayout;
class QPushButton;
class QStackedWidget;

namespace quillet {

class Clipboard;
class TextBlock;
class RoundedBox;

class SuggestionView : public QWidget {
    Q_OBJECT
public:
    /// Both must outlive the view. "Copy" writes to `clipboard`.
    SuggestionView(SuggestionViewModel& vm, Clipboard& clipboard, QWidget* parent = nullptr);
    /// A view built ahead of its model, showing both tabs loading until bind() gives it one.
    explicit SuggestionView(Clipboard& clipboard, QWidget* parent = nullptr);
    /// Draws `vm` from now on; once only, on a view built without a model.
    void bind(SuggestionViewModel& vm);

    SuggestionViewModel* vm() const { return m_vm; }
    QPushButton* correctionTabButton() const { return m_correctionTab; }
    QPushButton* rephraseTabButton() const { return m_rephraseTab; }
    QPushButton* closeButton() const { return m_close; }
    /// How long after an answer for the tab out of view that tab is drawn.
    static constexpr int staleTabDelayMs = 50;
    /// What the selected tab shows right now.
    QWidget* currentContent() const;

    /// Redraws from the view model; unchanged parts are kept (scroll position, selection).
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* header();
    /// The texts of the header and the note, in the language of `m_loc`.
    void drawTexts();
    QWidget* correctionTab();
    QWidget* rephraseTab();
    QWidget* correctionView(const CorrectionResult& result);
    QWidget* partialCorrectionView();
    RoundedBox* correctionBox(TextBlock** text);
    QWidget* variantList(const QList<RephraseVariant>& variants, bool more);
    /// A card whose Replace puts in the text it shows.
    QWidget* variantCard(const RephraseVariant& variant);
    /// The streamed variants drawn into the list on screen: new ones added, changed ones updated.
    void drawPartialVariants();
    /// Rebuilds the tabs whose answer changed since they were drawn: only `inView`, if given.
    void drawStaleTabs(std::optional<int> inView);
    void showProgress();
    QWidget* actionCard(qsizetype index);
    void showAction(qsizetype index);
    QWidget* successState();
    QWidget* loadingView(const QString& message);
    QVBoxLayout* warningColumn(QWidget*& view, const QString& name, QLabel*& label, const QString& message);
    QWidget* errorView(const QString& message);
    QWidget* refusalView(WriteRefusal refusal);
    void replaceContent(QWidget* page, QWidget* content);
    void triggerDefault();
    /// "Replacing when ready…", shown once Return was pressed before the correction was whole.
    QString replacingWhenReady() const {
        return m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Replacing when ready…"));
    }
    /// What each tab says while its answer is on its way.
    QString polishing() const { return m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Polishing your text…")); }
    QString crafting() const { return m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Crafting alternatives…")); }

    QPointer<SuggestionViewModel> m_vm;
    Clipboard& m_clipboard;
    L10n m_loc;

    QPushButton* m_correctionTab = nullptr;
    QPushButton* m_rephraseTab = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_partialNote = nullptr;
    QStackedWidget* m_stack = nullptr;
    QWidget* m_correctionPage = nullptr;
    QWidget* m_rephrasePage = nullptr;
    // The Replace of the correction view, the target of Return; null when that view is not shown.
    QPointer<QPushButton> m_defaultButton;

    std::optional<SuggestionViewModel::CorrectionLoad> m_drawnCorrection;
    std::optional<SuggestionViewModel::RephraseLoad> m_drawnRephrase;
    std::optional<AppLanguage> m_drawnLanguage;
    bool m_drawnReplacing = false;
    bool m_correctionStale = false;
    bool m_rephraseStale = false;
    QTimer m_staleTabTimer;
    std::optional<WriteRefusal> m_drawnRefusal;
    // What of a streamed answer is on screen: the correction's text block, the variants drawn.
    QPointer<TextBlock> m_partialText;
    qsizetype m_drawnPartialVariants = 0;
    // The list the streamed variants' cards go into, above its spinner; null when none is shown.
    QPointer<QWidget> m_partialList;
    // Where each of the user's own actions is drawn below the alternatives; empty while they are not.
    QList<QPointer<QWidget>> m_actionSlots;
};

}  // namespace quillet
