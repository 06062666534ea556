#include "ui/FormStyle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>

#include "ui/Brand.h"

namespace quillet::FormStyle {

namespace {

bool isDark(const QWidget& w) {
    return w.palette().color(QPalette::Window).lightnessF() < 0.5;
}

// The symbols are designed on a 16-unit square.
constexpr double kGrid = 16.0;

void paintCircleWithMark(QPainter& p, Symbol symbol, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QPen mark(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
        case Symbol::checkmarkCircleFill: {
            QPainterPath path;
            path.moveTo(4.6, 8.4);
            path.lineTo(7.0, 10.8);
            path.lineTo(11.4, 5.6);
            p.drawPath(path);
            break;
        }
        case Symbol::xmarkCircleFill:
            p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
            p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
            break;
        default:
            p.drawLine(QPointF(4.6, 8), QPointF(11.4, 8));
            break;
    }
}

QPainterPath fourPointStar(QPointF c, double r) {
    const double k = r * 0.18;
    QPainterPath path;
    path.moveTo(c.x(), c.y() - r);
    path.quadTo(c.x() + k, c.y() - k, c.x() + r, c.y());
    path.quadTo(c.x() + k, c.y() + k, c.x(), c.y() + r);
    path.quadTo(c.x() - k, c.y() + k, c.x() - r, c.y());
    path.quadTo(c.x() - k, c.y() - k, c.x(), c.y() - r);
    return path;
}

class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(Symbol symbol, QColor color) : m_symbol(symbol), m_color(color) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor c = m_color;
        if (mode == QIcon::Disabled)
            c.setAlphaF(c.alphaF() * 0.4f);
        paintSymbol(*painter, m_symbol, rect, c);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new SymbolIconEngine(m_symbol, m_color); }

private:
    Symbol m_symbol;
    QColor m_color;
};

}  // namespace

QColor green(const QWidget& w) {
    return isDark(w) ? QColor(0x30, 0xD1, 0x58) : QColor(0x24, 0x8A, 0x3D);
}

QColor red(const QWidget& w) {
    return isDark(w) ? QColor(0xFF, 0x45, 0x3A) : QColor(0xD7, 0x00, 0x15);
}

QColor orange(const QWidget& w) {
    return isDark(w) ? QColor(0xFF, 0x9F, 0x0A) : QColor(0xC9, 0x34, 0x00);
}

QColor secondary(const QWidget& w) {
    return withAlpha(w.palette().color(QPalette::WindowText), 0.6);
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(c.alphaF() * alpha));
    return c;
}

QFont font(double points, bool bold) {
    QFont f = QApplication::font();
    // The design's points are logical pixels; Qt's points are 1/72 inch at 96 dpi.
    f.setPointSizeF(points * 0.75);
    f.setBold(bold);
    return f;
}

void paintSymbol(QPainter& p, Symbol symbol, const QRectF& box, const QColor& color) {
    const double side = std::min(box.width(), box.height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    p.scale(side / kGrid, side / kGrid);
    switch (symbol) {
        case Symbol::checkmarkCircleFill:
        case Symbol::xmarkCircleFill:
        case Symbol::minusCircleFill:
            paintCircleWithMark(p, symbol, color);
            break;
        case Symbol::keyFill: {
            QPainterPath key;
            key.addEllipse(QPointF(4.6, 8), 3.8, 3.8);
            QPainterPath shaft;
            shaft.addRoundedRect(QRectF(7.6, 6.9, 7.6, 2.2), 0.6, 0.6);
            shaft.addRect(QRectF(11.0, 8.5, 1.4, 3.0));
            shaft.addRect(QRectF(13.6, 8.5, 1.4, 2.4));
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPainterPath hole;
            hole.addEllipse(QPointF(3.6, 8), 1.2, 1.2);
            p.drawPath(key.united(shaft).subtracted(hole));
            break;
        }
        case Symbol::hourglass: {
            p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(3.5, 1.6), QPointF(12.5, 1.6));
            p.drawLine(QPointF(3.5, 14.4), QPointF(12.5, 14.4));
            QPainterPath glass;
            glass.moveTo(5, 1.6);
            glass.cubicTo(5, 5.5, 7.3, 6.6, 7.3, 8);
            glass.cubicTo(7.3, 9.4, 5, 10.5, 5, 14.4);
            glass.lineTo(11, 14.4);
            glass.cubicTo(11, 10.5, 8.7, 9.4, 8.7, 8);
            glass.cubicTo(8.7, 6.6, 11, 5.5, 11, 1.6);
            p.drawPath(glass);
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPainterPath sand;
            sand.moveTo(8, 10.6);
            sand.lineTo(10.3, 13.6);
            sand.lineTo(5.7, 13.6);
            sand.closeSubpath();
            p.drawPath(sand);
            break;
        }
        case Symbol::accessibility: {
            p.setPen(QPen(color, 1.3));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(0.8, 0.8, 14.4, 14.4));
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(QPointF(8, 4.4), 1.35, 1.35);
            p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(4.3, 6.6), QPointF(11.7, 6.6));
            p.drawLine(QPointF(8, 6.6), QPointF(8, 9.4));
            p.drawLine(QPointF(8, 9.4), QPointF(6, 12.6));
            p.drawLine(QPointF(8, 9.4), QPointF(10, 12.6));
            break;
        }
        case Symbol::sparkles: {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPath(fourPointStar(QPointF(6.6, 9.4), 6.0));
            p.drawPath(fourPointStar(QPointF(12.8, 3.4), 2.8));
            p.drawPath(fourPointStar(QPointF(13.2, 12.6), 1.9));
            break;
        }
    }
    p.restore();
}

QIcon symbolIcon(Symbol symbol, const QColor& color) {
    return QIcon(new SymbolIconEngine(symbol, color));
}

void setButtonText(QAbstractButton& button, const QString& text) {
    button.setText(QString(text).replace(u'&', QStringLiteral("&&")));
    button.setAccessibleName(text);
}

void makeProminent(QPushButton& button) {
    const QColor teal = Brand::teal();
    const QString sheet = QStringLiteral(
                              "QPushButton { background-color: %1; color: white; border: none;"
                              " border-radius: 6px; padding: 5px 14px; font-weight: 600; }"
                              "QPushButton:hover { background-color: %2; }"
                              "QPushButton:pressed { background-color: %3; }"
                              "QPushButton:focus { border: 2px solid %4; padding: 3px 12px; }"
                              "QPushButton:disabled { background-color: %5; color: rgba(255,255,255,0.75); }")
                              .arg(teal.name(), teal.lighter(112).name(), teal.darker(115).name(),
                                   teal.lighter(160).name(), withAlpha(teal, 0.4).name(QColor::HexArgb));
    button.setStyleSheet(sheet);
    button.setCursor(Qt::PointingHandCursor);
}

SymbolLabel::SymbolLabel(Symbol symbol, int size, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(palette().color(QPalette::WindowText)), m_size(size) {
    setFixedSize(size, size);
}

void SymbolLabel::setSymbol(Symbol symbol, const QColor& color) {
    m_symbol = symbol;
    m_color = color;
    update();
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintSymbol(p, m_symbol, rect(), m_color);
}

Spinner::Spinner(int size, QWidget* parent)
    : QWidget(parent), m_turn(new QVariantAnimation(this)), m_size(size) {
    setFixedSize(size, size);
    m_turn->setStartValue(0.0);
    m_turn->setEndValue(360.0);
    m_turn->setDuration(900);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, m_size / 8.0);
    const QRectF r = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    const QColor ink = palette().color(QPalette::WindowText);
    p.setPen(QPen(withAlpha(ink, 0.18), pen));
    p.drawEllipse(r);
    p.setPen(QPen(withAlpha(ink, 0.7), pen, Qt::SolidLine, Qt::RoundCap));
    const int start = static_cast<int>(-m_turn->currentValue().toDouble() * 16);
    p.drawArc(r, start, 100 * 16);
}

void Spinner::showEvent(QShowEvent*) {
    m_turn->start();
}

void Spinner::hideEvent(QHideEvent*) {
    m_turn->stop();
}

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
    m_header->setFont(FormStyle::font(13, true));
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

QString FormSection::title() const {
    return m_header->text();
}

void FormSection::addRow(QWidget* row) {
    insertRow(m_rows.size(), row);
}

void FormSection::insertRow(int index, QWidget* row) {
    // Each row travels with the hairline above it, shown for every row but the first.
    auto* slot = new QWidget(m_panel);
    auto* layout = new QVBoxLayout(slot);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Hairline(slot));
    layout->addWidget(row);
    index = std::clamp(index, 0, static_cast<int>(m_rows.size()));
    m_panelLayout->insertWidget(index, slot);
    m_rows.insert(index, slot);
    updateHairlines();
}

void FormSection::removeRows(int first, int count) {
    // Rows go later, not at once: the button that asked for the removal may sit in one of them.
    for (int i = 0; i < count && first < m_rows.size(); ++i) {
        QWidget* slot = m_rows.takeAt(first);
        m_panelLayout->removeWidget(slot);
        slot->hide();
        slot->setParent(nullptr);
        slot->deleteLater();
    }
    updateHairlines();
}

QWidget* FormSection::row(int index) const {
    if (index < 0 || index >= m_rows.size())
        return nullptr;
    return m_rows[index]->layout()->itemAt(1)->widget();
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

}  // namespace quillet::FormStyle
