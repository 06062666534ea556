// The one style kit of every surface and window: fonts, colours, drawn symbols and button looks.
#include "ui/Style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QTextDocument>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quillet {

namespace {

bool isDark(const QWidget& w) {
    return w.palette().color(QPalette::Window).lightnessF() < 0.5;
}

// The window symbols are designed on a 16-unit square.
constexpr double kGrid = 16.0;

void paintCircleWithMark(QPainter& p, Style::Symbol symbol, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QPen mark(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
        case Style::Symbol::checkmarkCircleFill: {
            QPainterPath path;
            path.moveTo(4.6, 8.4);
            path.lineTo(7.0, 10.8);
            path.lineTo(11.4, 5.6);
            p.drawPath(path);
            break;
        }
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
    SymbolIconEngine(Style::Symbol symbol, QColor color, bool bold)
        : m_symbol(symbol), m_color(color), m_bold(bold) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor c = m_color;
        if (mode == QIcon::Disabled)
            c.setAlphaF(c.alphaF() * 0.4f);
        Style::paintSymbol(*painter, m_symbol, rect, c, m_bold);
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
    QIconEngine* clone() const override { return new SymbolIconEngine(m_symbol, m_color, m_bold); }

private:
    Style::Symbol m_symbol;
    QColor m_color;
    bool m_bold;
};

// The text colour laid over the button colour at `alpha`, as one opaque colour: style sheets draw
// translucent borders unevenly.
QColor blend(const QWidget& w, double alpha) {
    const QColor a = w.palette().color(QPalette::Button);
    const QColor b = w.palette().color(QPalette::ButtonText);
    auto mix = [&](double x, double y) { return x + (y - x) * alpha; };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()));
}

}  // namespace

QFont Style::font(double points, QFont::Weight weight) {
    QFont f = QApplication::font();
    // Qt's logical DPI is 96: one point of the surfaces' measures is one logical pixel, 0.75 pt.
    f.setPointSizeF(points * 0.75);
    f.setWeight(weight);
    return f;
}

QFont Style::windowActionFont() {
    QFont f = QApplication::font();
    f.setWeight(QFont::DemiBold);
    return f;
}

QFont Style::caption(QFont::Weight weight) {
    return font(11, weight);
}

QColor Style::green() {
    return QColor::fromRgbF(0.20f, 0.78f, 0.35f);
}
QColor Style::orange() {
    return QColor::fromRgbF(1.0f, 0.58f, 0.0f);
}
QColor Style::indigo() {
    return QColor::fromRgbF(0.35f, 0.34f, 0.84f);
}
QColor Style::red() {
    return QColor::fromRgbF(1.0f, 0.23f, 0.19f);
}
QColor Style::grey() {
    return QColor::fromRgbF(0.56f, 0.56f, 0.58f);
}

QColor Style::statusGreen(const QWidget& w) {
    return isDark(w) ? QColor(0x30, 0xD1, 0x58) : QColor(0x24, 0x8A, 0x3D);
}
QColor Style::statusRed(const QWidget& w) {
    return isDark(w) ? QColor(0xFF, 0x45, 0x3A) : QColor(0xD7, 0x00, 0x15);
}
QColor Style::statusOrange(const QWidget& w) {
    return isDark(w) ? QColor(0xFF, 0x9F, 0x0A) : QColor(0xC9, 0x34, 0x00);
}

QColor Style::withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(c.alphaF() * alpha));
    return c;
}

QColor Style::primary(const QWidget& w) {
    return w.palette().color(QPalette::WindowText);
}
QColor Style::secondary(const QWidget& w) {
    return withAlpha(primary(w), 0.55);
}
QColor Style::material(const QWidget& w) {
    return withAlpha(w.palette().color(QPalette::Window), 0.94);
}
QColor Style::textBackground(const QWidget& w) {
    return w.palette().color(QPalette::Base);
}

void Style::paintSymbol(QPainter& p, Symbol symbol, const QRectF& box, const QColor& color, bool bold) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(box.width(), box.height());
    const QRectF sq(box.center().x() - s / 2, box.center().y() - s / 2, s, s);
    auto at = [&](double fx, double fy) { return QPointF(sq.x() + fx * s, sq.y() + fy * s); };
    const double stroke = s * (bold ? 0.16 : 0.11);
    QPen pen(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // The surface marks are drawn in fractions of the box; the window symbols on a 16-unit grid.
    if (symbol >= Symbol::checkmarkCircleFill) {
        p.translate(sq.topLeft());
        p.scale(s / kGrid, s / kGrid);
    }
    switch (symbol) {
        case Symbol::checkmark: {
            QPainterPath path(at(0.14, 0.54));
            path.lineTo(at(0.40, 0.80));
            path.lineTo(at(0.86, 0.22));
            p.strokePath(path, pen);
            break;
        }
        case Symbol::xmark: {
            p.setPen(pen);
            p.drawLine(at(0.2, 0.2), at(0.8, 0.8));
            p.drawLine(at(0.8, 0.2), at(0.2, 0.8));
            break;
        }
        case Symbol::xmarkCircleFill: {
            // A filled disc with the cross cut out of it, so the background shows through.
            QPainterPath disc;
            disc.addEllipse(sq);
            QPainterPath cross;
            QPainterPathStroker stroker;
            stroker.setWidth(s * 0.11);
            stroker.setCapStyle(Qt::RoundCap);
            QPainterPath lines(at(0.33, 0.33));
            lines.lineTo(at(0.67, 0.67));
            lines.moveTo(at(0.67, 0.33));
            lines.lineTo(at(0.33, 0.67));
            p.fillPath(disc.subtracted(stroker.createStroke(lines)), color);
            break;
        }
        case Symbol::warningTriangleFill: {
            QPainterPath tri;
            tri.moveTo(at(0.5, 0.06));
            tri.lineTo(at(0.97, 0.90));
            tri.lineTo(at(0.03, 0.90));
            tri.closeSubpath();
            QPainterPathStroker rounder;
            rounder.setWidth(s * 0.08);
            rounder.setJoinStyle(Qt::RoundJoin);
            QPainterPath body = tri.united(rounder.createStroke(tri));
            QPainterPath mark;
            mark.addRoundedRect(QRectF(at(0.455, 0.30), at(0.545, 0.63)), s * 0.045, s * 0.045);
            mark.addEllipse(at(0.5, 0.75), s * 0.055, s * 0.055);
            p.fillPath(body.subtracted(mark), color);
            break;
        }
        case Symbol::checkmarkCircleFill:
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

QIcon Style::symbolIcon(Symbol symbol, const QColor& color, bool bold) {
    return QIcon(new SymbolIconEngine(symbol, color, bold));
}

QString Style::prominentStyleSheet(const QColor& tint, ButtonSize size, const QString& selector) {
    const bool small = size == ButtonSize::small;
    // The focus ring takes its two pixels from the padding, so the button keeps its size.
    return QStringLiteral(
               "%8 { background: %1; color: white; border: none; border-radius: 6px;"
               " padding: %2; }"
               "%8:hover { background: %3; }"
               "%8:pressed { background: %4; }"
               "%8:focus { border: 2px solid %5; padding: %6; }"
               "%8:disabled { background: %7; color: rgba(255,255,255,0.75); }")
        .arg(tint.name(), small ? QStringLiteral("3px 10px") : QStringLiteral("5px 14px"),
             tint.lighter(112).name(), tint.darker(115).name(), tint.lighter(160).name(),
             small ? QStringLiteral("1px 8px") : QStringLiteral("3px 12px"),
             withAlpha(tint, 0.4).name(QColor::HexArgb), selector);
}

void Style::makeProminent(QPushButton& button, const QColor& tint, const QFont& font, ButtonSize size) {
    button.setFont(font);
    button.setStyleSheet(prominentStyleSheet(tint, size));
    button.setCursor(Qt::PointingHandCursor);
}

void Style::makeBordered(QPushButton& button) {
    button.setFont(font(13));
    button.setStyleSheet(
        QStringLiteral("QPushButton { background: %1; border: 1px solid %2; border-radius: 6px;"
                       " padding: 4px 13px; }")
            .arg(button.palette().color(QPalette::Button).name(), blend(button, 0.25).name()));
}

void Style::makePlainIconButton(QPushButton& button, const QIcon& icon, double size, const QString& name) {
    button.setIcon(icon);
    const int px = static_cast<int>(std::ceil(size));
    button.setIconSize(QSize(px, px));
    button.setFixedSize(px + 4, px + 4);
    button.setFlat(true);
    button.setStyleSheet(
        QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; }"));
    button.setAccessibleName(name);
    button.setCursor(Qt::PointingHandCursor);
}

void Style::setButtonText(QAbstractButton& button, const QString& text) {
    button.setText(QString(text).replace(u'&', QStringLiteral("&&")));
    button.setAccessibleName(text);
}

QString Style::thinScrollBarStyle(const QWidget& w, int bottomInset) {
    const QColor handle = primary(w);
    return QStringLiteral(
               "QScrollBar:vertical { background: transparent; border: none; width: 10px;"
               " margin: 6px 3px %1px 1px; }"
               "QScrollBar::handle:vertical { background: %2; border-radius: 3px; min-height: 28px; }"
               "QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed { background: %3; }"
               "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical"
               " { height: 0px; border: none; background: none; }"
               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
        .arg(bottomInset)
        .arg(withAlpha(handle, 0.28).name(QColor::HexArgb), withAlpha(handle, 0.45).name(QColor::HexArgb));
}

QLabel* Style::plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void Style::setPlainToolTip(QWidget& widget, const QString& text) {
    // A tooltip takes anything that looks like markup for markup: the text goes escaped.
    widget.setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
}

}  // namespace quillet
