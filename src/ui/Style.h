// Fonts, colours and drawn symbols shared by the floating surfaces, so they look like one program.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRectF>

class QPainter;
class QPushButton;
class QWidget;

namespace quillet::Style {

/// The system font at `points` (a point being one logical pixel) and `weight`.
QFont font(double points, QFont::Weight weight = QFont::Normal);
/// The caption font (small labels).
QFont caption(QFont::Weight weight = QFont::Normal);

QColor green();
QColor orange();
QColor indigo();
QColor red();
QColor grey();
/// `c` with its opacity multiplied by `alpha`.
QColor withAlpha(QColor c, double alpha);
/// Text colours of the widget's palette.
QColor primary(const QWidget& w);
QColor secondary(const QWidget& w);
/// The translucent fill behind a floating surface.
QColor material(const QWidget& w);
/// The fill behind a block of text.
QColor textBackground(const QWidget& w);

enum class Symbol { checkmark, xmark, xmarkCircleFill, warningTriangleFill };
/// Draws `symbol` fitted into `box`, stroked or filled with `color`; `bold` thickens strokes.
void paintSymbol(QPainter& p, Symbol symbol, const QRectF& box, const QColor& color, bool bold = false);
/// `symbol` as an icon of `size` points, for buttons.
QIcon symbolIcon(Symbol symbol, double size, const QColor& color, bool bold = false);

/// Filled button in `tint` with white text (the prominent style); `small` for the small control size.
void makeProminent(QPushButton& button, const QColor& tint, bool small = false);
/// Outlined button (the bordered style).
void makeBordered(QPushButton& button);
/// Borderless button showing only its icon; `name` is what a screen reader reads.
void makePlainIconButton(QPushButton& button, const QIcon& icon, double size, const QString& name);

}  // namespace quillet::Style
