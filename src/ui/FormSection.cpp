// The grouped form of the settings window: sections of rows divided by hairlines, and its switch.
#include "ui/FormSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/Brand.h"
#include "ui/Style.h"

namespace quillet {

using Style::withAlpha;

ToggleSwitch::ToggleSwitch(QWidget* parent) : QCheckBox(parent) {
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double radius = track.height() / 2;
    QColor fill = isChecked() ? Brand::teal() : withAlpha(palette().color(QPalette::WindowText), 0.22);
    if (!isEnabled())
        fill = withAlpha(fill, 0.5);
    p.setPen(hasFocus() ? QPen(Brand::teal().lighter(150), 1.5) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setPen(QPen(withAlpha(Qt::black, 0.15), 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

namespace {

// The rounded panel behind a section's rows.
class FormPanel final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor window = palette().color(QPalette::Window);
        const QColor fill = window.lightnessF() < 0.5 ? window.lighter(135) : palette().color(QPalette::Base);
        p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.12), 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

}  // namespace

Hairline::Hairline(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
}

void Hairline::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect().adjusted(10, 0, -10, 0), withAlpha(palette().color(QPalette::WindowText), 0.1));
}

FormSection::FormSection(QWidget* parent)
    : QWidget(parent), m_header(new QLabel(this)), m_panel(new FormPanel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_header->setFont(Style::font(13, QFont::Bold));
    m_header->setContentsMargins(4, 0, 0, 0);
    m_header->setAccessibleName(QString());
    layout->addWidget(m_header);
    m_panelLayout = new QVBoxLayout(m_panel);
    m_panelLayout->setContentsMargins(0, 2, 0, 2);
    m_panelLayout->setSpacing(0);
    layout->addWidget(m_panel);
}

void FormSection::setTitle(const QString& title) {
    m_header->setText(title);
}

void FormSection::addRow(QWidget* row) {
    // Each row travels with the hairline above it, shown for every row but the first.
    auto* slot = new QWidget(m_panel);
    auto* layout = new QVBoxLayout(slot);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Hairline(slot));
    layout->addWidget(row);
    m_panelLayout->addWidget(slot);
    m_rows.append(slot);
    updateHairlines();
}

void FormSection::updateHairlines() {
    bool above = false;
    for (QWidget* slot : m_rows) {
        const bool shown = !slot->layout()->itemAt(1)->widget()->isHidden();
        slot->setVisible(shown);
        slot->layout()->itemAt(0)->widget()->setVisible(shown && above);
        above = above || shown;
    }
}

QWidget* FormSection::makeRow(QWidget* leading, const QList<QWidget*>& trailing) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 5, 10, 5);
    layout->setSpacing(8);
    if (leading)
        layout->addWidget(leading);
    layout->addStretch(1);
    for (QWidget* w : trailing)
        layout->addWidget(w);
    row->setMinimumHeight(34);
    return row;
}

QLabel* FormSection::columnLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setFixedWidth(128);
    return label;
}

QWidget* FormSection::labelledRow(QLabel* label, const QList<QWidget*>& fields) {
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(12, 4, 10, 4);
    h->setSpacing(8);
    h->addWidget(label);
    for (QWidget* field : fields)
        h->addWidget(field, field == fields.first() ? 1 : 0);
    row->setMinimumHeight(34);
    return row;
}

}  // namespace quillet
