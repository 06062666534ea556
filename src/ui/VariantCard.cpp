// One rephrasing: its style pill, a Replace button in the style's colour, and the text.
#include "ui/VariantCard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Brand.h"

namespace quillet {

namespace {

// The style's name on a tinted capsule.
class StylePill : public QLabel {
public:
    // The name is the model's or the user's: drawn as the characters it is, never as markup.
    StylePill(const QString& text, QColor color) : QLabel(text), m_color(color) {
        setTextFormat(Qt::PlainText);
        setFont(Style::caption(QFont::DemiBold));
        setContentsMargins(8, 3, 8, 3);
        QPalette pal = palette();
        pal.setColor(QPalette::WindowText, color);
        setPalette(pal);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter p(this);
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF r = QRectF(rect());
            const double radius = r.height() / 2;
            p.setPen(Qt::NoPen);
            p.setBrush(Style::withAlpha(m_color, 0.13));
            p.drawRoundedRect(r, radius, radius);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Style::withAlpha(m_color, 0.35), 1));
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
        }
        QLabel::paintEvent(event);
    }

private:
    QColor m_color;
};

}  // namespace

QColor VariantCard::styleColor(const QString& style) {
    const QString lower = style.toLower();
    if (lower == QLatin1String("professional"))
        return Style::indigo();
    if (lower == QLatin1String("concise"))
        return Style::orange();
    return Brand::teal();
}

VariantCard::VariantCard(RephraseVariant variant, L10n loc, QWidget* parent)
    : RoundedBox(12, QColor(), QColor(), parent), m_variant(std::move(variant)), m_loc(loc) {
    setColors(Style::withAlpha(Style::textBackground(*this), 0.55),
              Style::withAlpha(Style::primary(*this), 0.07));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(11, 11, 11, 11);
    column->setSpacing(8);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    const QColor color = styleColor(m_variant.style);
    m_pill = new StylePill(m_variant.label(), color);
    row->addWidget(m_pill, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_replace = new QPushButton(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Replace")));
    Style::makeProminent(*m_replace, color, Style::font(11.5, QFont::Medium), Style::ButtonSize::small);
    // The card's role for a screen reader: which variant this Replace puts in.
    m_replace->setAccessibleDescription(m_variant.label());
    connect(m_replace, &QPushButton::clicked, this, [this] { emit replaceClicked(m_variant.text); });
    row->addWidget(m_replace, 0, Qt::AlignVCenter);
    column->addLayout(row);

    m_text = new TextBlock(TextBlock::Sizing::fitHeight, 13, 2, 0);
    m_text->setPlain(m_variant.text);
    m_text->setAccessibleName(m_variant.label());
    column->addWidget(m_text);
}

void VariantCard::setVariant(const RephraseVariant& variant) {
    if (variant.text != m_variant.text)
        m_text->setPlain(variant.text);
    if (variant.style != m_variant.style) {
        // The colours follow the style only when the card is made: a style that changes as it is
        // written would flicker through them.
        m_pill->setText(variant.label());
        m_replace->setAccessibleDescription(variant.label());
        m_text->setAccessibleName(variant.label());
    }
    m_variant = variant;
}

QString ActionCard::buttonStyle() {
    return Style::prominentStyleSheet(Brand::teal(), Style::ButtonSize::small,
                                      QStringLiteral("QPushButton#actionButton"));
}

ActionCard::ActionCard(const CustomAction& action, const std::optional<Load<RephraseResult>>& result,
                       L10n loc, std::function<void()> onRun, std::function<void(const QString&)> onReplace,
                       QWidget* parent)
    : RoundedBox(12, QColor(), QColor(), parent) {
    setObjectName(QStringLiteral("actionCard"));
    setColors(Style::withAlpha(Style::textBackground(*this), 0.55),
              Style::withAlpha(Style::primary(*this), 0.07));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(11, 11, 11, 11);
    column->setSpacing(8);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new StylePill(action.name, Brand::teal()), 0, Qt::AlignVCenter);
    row->addStretch(1);
    // Drawn by the style its list sets for them all (actionButtonStyle()).
    m_button = new QPushButton;
    m_button->setObjectName(QStringLiteral("actionButton"));
    m_button->setFont(Style::font(11.5, QFont::Medium));
    m_button->setCursor(Qt::PointingHandCursor);
    m_button->setAccessibleDescription(action.name);
    row->addWidget(m_button, 0, Qt::AlignVCenter);
    column->addLayout(row);
    // The text block is made only when there is something to show: a card that has not run is a
    // name and a button, and a tab of fifty of them opens at once.
    auto showText = [this, column, &action](const QString& text) {
        m_text = new TextBlock(TextBlock::Sizing::fitHeight, 13, 2, 0);
        m_text->setAccessibleName(action.name);
        m_text->setPlain(text);
        column->addWidget(m_text);
    };

    const RephraseVariant* answer = result && result->isLoaded() && !result->result()->variants.isEmpty()
                                        ? &result->result()->variants.first()
                                        : nullptr;
    if (answer) {
        m_button->setText(loc.text(QT_TRANSLATE_NOOP("Quillet", "Replace")));
        showText(answer->text);
        const QString text = answer->text;
        connect(m_button, &QPushButton::clicked, this, [onReplace = std::move(onReplace), text] {
            if (onReplace)
                onReplace(text);
        });
        return;
    }
    if (result && result->isLoading()) {
        m_button->setText(loc.text(QT_TRANSLATE_NOOP("Quillet", "Working…")));
        m_button->setEnabled(false);
        return;
    }
    if (result && result->isFailed()) {
        m_button->setText(loc.text(QT_TRANSLATE_NOOP("Quillet", "Try again")));
        showText(result->message());
    } else {
        m_button->setText(loc.text(QT_TRANSLATE_NOOP("Quillet", "Run")));
    }
    connect(m_button, &QPushButton::clicked, this, [onRun = std::move(onRun)] {
        if (onRun)
            onRun();
    });
}

}  // namespace quillet
