// One rephrasing: its style pill, a Replace button in the style's colour, and the text.
#pragma once

#include <functional>

#include "core/L10n.h"
#include "core/Models.h"
#include "ui/SurfaceWidgets.h"

class QLabel;
class QPushButton;

namespace quillet {

class VariantCard : public RoundedBox {
    Q_OBJECT
public:
    VariantCard(RephraseVariant variant, L10n loc, std::function<void()> onReplace,
                QWidget* parent = nullptr);

    /// Indigo for "professional", orange for "concise", brand teal for anything else (any letter case).
    static QColor styleColor(const QString& style);

    const RephraseVariant& variant() const { return m_variant; }
    QLabel* pill() const { return m_pill; }
    QPushButton* replaceButton() const { return m_replace; }
    TextBlock* textBlock() const { return m_text; }

private:
    RephraseVariant m_variant;
    L10n m_loc;
    std::function<void()> m_onReplace;
    QLabel* m_pill = nullptr;
    QPushButton* m_replace = nullptr;
    TextBlock* m_text = nullptr;
};

}  // namespace quillet
