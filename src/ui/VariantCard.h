// One rephrasing: its style pill, a Replace button in the style's colour, and the text; and the card of
// one of the user's own actions, which asks for its text only when told to.
#pragma once

#include <functional>

#include "core/CustomActions.h"
#include "core/L10n.h"
#include "core/Load.h"
#include "core/Models.h"
#include "ui/SurfaceWidgets.h"

class QLabel;
class QPushButton;

namespace quillet {

class VariantCard : public RoundedBox {
    Q_OBJECT
public:
    VariantCard(RephraseVariant variant, L10n loc, QWidget* parent = nullptr);

    /// Indigo for "professional", orange for "concise", brand teal for anything else (any letter case).
    static QColor styleColor(const QString& style);

    const RephraseVariant& variant() const { return m_variant; }
    /// Shows `variant` in place of the one before, in the same widgets.
    void setVariant(const RephraseVariant& variant);
    QLabel* pill() const { return m_pill; }
    QPushButton* replaceButton() const { return m_replace; }
    TextBlock* textBlock() const { return m_text; }

signals:
    /// Replace was pressed: `text` is the text the card shows.
    void replaceClicked(const QString& text);

private:
    RephraseVariant m_variant;
    L10n m_loc;
    QLabel* m_pill = nullptr;
    QPushButton* m_replace = nullptr;
    TextBlock* m_text = nullptr;
};

/// The card of one of the user's own actions. Before it is run it offers "Run"; while it runs, the
/// button waits; a failure is said with "Try again"; a result is shown with "Replace".
class ActionCard : public RoundedBox {
    Q_OBJECT
public:
    /// `result` is empty until the action has been run.
    ActionCard(const CustomAction& action, const std::optional<Load<RephraseResult>>& result, L10n loc,
               std::function<void()> onRun, std::function<void(const QString&)> onReplace,
               QWidget* parent = nullptr);

    QPushButton* button() const { return m_button; }
    /// The style of the cards' buttons, for the widget that holds the cards to set once.
    static QString buttonStyle();
    /// The result or the failure; null before the first run and while it runs.
    TextBlock* textBlock() const { return m_text; }

private:
    QPushButton* m_button = nullptr;
    TextBlock* m_text = nullptr;
};

}  // namespace quillet
