#include "ui/Style.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <cmath>

namespace quillet {

QFont Style::font(double points, QFont::Weight weight) {
    QFont f = QApplication::font();
    // Qt's logical DPI is 96: one point of the surfaces' measures is one logical pixel, 0.75 pt.
    f.setPointSizeF(points * 0.75);
    f.setWeight(weight);
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
    }
    p.restore();
}

QIcon Style::symbolIcon(Symbol symbol, double size, const QColor& color, bool bold) {
    // Drawn at twice the size so it stays sharp on a double-density screen.
    const int px = static_cast<int>(std::ceil(size * 2));
    QPixmap pixmap(px, px);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        paintSymbol(p, symbol, QRectF(0, 0, px, px), color, bold);
    }
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

void Style::makeProminent(QPushButton& button, const QColor& tint, bool small) {
    const QString pad = small ? QStringLiteral("3px 10px") : QStringLiteral("5px 14px");
    const double fontPx = small ? 11.5 : 13;
    button.setFont(font(fontPx, QFont::Medium));
    button.setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                        " border-radius: 6px; padding: %2; }"
                                        "QPushButton:hover { background: %3; }"
                                        "QPushButton:pressed { background: %4; }")
                             .arg(tint.name(), pad, tint.lighter(112).name(), tint.darker(115).name()));
    button.setCursor(Qt::PointingHandCursor);
}

namespace {
// The text colour laid over the button colour at `alpha`, as one opaque colour: style sheets draw
// translucent borders unevenly.
QColor blend(const QWidget& w, double alpha) {
    const QColor a = w.palette().color(QPalette::Button);
    const QColor b = w.palette().color(QPalette::ButtonText);
    auto mix = [&](double x, double y) { return x + (y - x) * alpha; };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()));
}
}  // namespace

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

}  // namespace quillet
