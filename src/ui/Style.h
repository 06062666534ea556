// The one style kit of every surface and window: fonts, colours, drawn symbols and button looks.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRectF>

class QAbstractButton;
class QLabel;
class QPainter;
class QPushButton;
class QWidget;

namespace quillet::Style {

/// The system font at `points` (a point being one logical pixel) and `weight`.
QFont font(double points, QFont::Weight weight = QFont::Normal);
/// The caption font (small labels).
QFont caption(QFont::Weight weight = QFont::Normal);

/// Fills and tints of the floating surfaces.
QColor green();
QColor orange();
QColor indigo();
QColor red();
QColor grey();
/// Status text colours, darker on light backgrounds and brighter on dark ones, so text stays readable.
QColor statusGreen(const QWidget& w);
QColor statusRed(const QWidget& w);
QColor statusOrange(const QWidget& w);
/// `c` with its opacity multiplied by `alpha`.
QColor withAlpha(QColor c, double alpha);
/// Text colours of the widget's palette; `secondary` is the dimmed one.
QColor primary(const QWidget& w);
QColor secondary(const QWidget& w);
/// The translucent fill behind a floating surface.
QColor material(const QWidget& w);
/// The fill behind a block of text.
QColor textBackground(const QWidget& w);

enum class Symbol {
    checkmark,
    xmark,
    xmarkCircleFill,
    warningTriangleFill,
    checkmarkCircleFill,
    minusCircleFill,
    keyFill,
    hourglass,
    accessibility,
    sparkles,
};
/// Draws `symbol` fitted into the square centred in `box`, in `color`; `bold` thickens the
/// stroked marks (check, cross).
void paintSymbol(QPainter& p, Symbol symbol, const QRectF& box, const QColor& color, bool bold = false);
/// `symbol` as an icon that stays sharp at any size and pixel density; dimmed when disabled.
QIcon symbolIcon(Symbol symbol, const QColor& color, bool bold = false);

enum class ButtonSize { small, regular };
/// Filled button in `tint` with white text in `font`: the main action of a window or surface.
void makeProminent(QPushButton& button, const QColor& tint, const QFont& font,
                   ButtonSize size = ButtonSize::regular);
/// The style of makeProminent() for the buttons `selector` picks out: set once on a container, it
/// styles any number of them for the cost of one (a style sheet of its own makes each button slow
/// to build).
QString prominentStyleSheet(const QColor& tint, ButtonSize size,
                            const QString& selector = QStringLiteral("QPushButton"));
/// The text of a window's main action.
QFont windowActionFont();
/// Outlined button (the bordered style).
void makeBordered(QPushButton& button);
/// Borderless button showing only its icon; `name` is what a screen reader reads.
void makePlainIconButton(QPushButton& button, const QIcon& icon, double size, const QString& name);
/// Sets a button's text shown as written (an "&" is not a mnemonic) and its accessible name.
void setButtonText(QAbstractButton& button, const QString& text);
/// A thin vertical scroll bar in the floating surfaces' look: a rounded handle on no track, kept
/// `bottomInset` points above the bottom, clear of a rounded corner.
QString thinScrollBarStyle(const QWidget& w, int bottomInset);
/// A label that draws `text` as the characters it is, never as markup: for every text that came
/// from outside (names, identifiers, models, servers' messages).
QLabel* plainLabel(const QString& text = QString(), QWidget* parent = nullptr);
/// A tooltip that shows `text` as the characters it is.
void setPlainToolTip(QWidget& widget, const QString& text);

}  // namespace quillet::Style
