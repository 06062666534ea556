// The small building blocks the settings and setup windows share: status colours, drawn symbols,
// the teal buttons, a switch, a spinner and the grouped-form sections.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QPainter;
class QPushButton;
class QVBoxLayout;
class QVariantAnimation;

namespace quillet::FormStyle {

/// Status colours, darker on light backgrounds and brighter on dark ones, so text stays readable.
QColor green(const QWidget& w);
QColor red(const QWidget& w);
QColor orange(const QWidget& w);
/// Dimmed text: the palette's text colour at reduced opacity.
QColor secondary(const QWidget& w);
/// `c` with its opacity multiplied by `alpha`.
QColor withAlpha(QColor c, double alpha);
/// The application font at `points` logical pixels, optionally bold.
QFont font(double points, bool bold = false);

enum class Symbol {
    checkmarkCircleFill,
    xmarkCircleFill,
    minusCircleFill,
    keyFill,
    hourglass,
    accessibility,
    sparkles,
};
/// Draws `symbol` fitted into the square centred in `box`.
void paintSymbol(QPainter& p, Symbol symbol, const QRectF& box, const QColor& color);
/// `symbol` as an icon that stays sharp at any pixel density.
QIcon symbolIcon(Symbol symbol, const QColor& color);

/// Filled in the brand teal with white text: the window's main action.
void makeProminent(QPushButton& button);
/// Sets a button's text shown as written (an "&" is not a mnemonic) and its accessible name.
void setButtonText(QAbstractButton& button, const QString& text);

/// A symbol drawn at the widget's size, in one colour.
class SymbolLabel : public QWidget {
public:
    SymbolLabel(Symbol symbol, int size, QWidget* parent = nullptr);
    void setSymbol(Symbol symbol, const QColor& color);
    QSize sizeHint() const override { return QSize(m_size, m_size); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Symbol m_symbol;
    QColor m_color;
    int m_size;
};

/// A small indeterminate progress indicator; it turns only while visible.
class Spinner : public QWidget {
public:
    explicit Spinner(int size = 16, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(m_size, m_size); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QVariantAnimation* m_turn;
    int m_size;
};

/// An on/off switch tinted in the brand teal. Still a check box to keyboards and screen readers.
class ToggleSwitch : public QCheckBox {
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(38, 22); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

/// A thin divider between rows.
class Hairline : public QWidget {
public:
    explicit Hairline(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

/// One section of a grouped form: a header above a rounded panel whose rows are divided by hairlines.
class FormSection : public QWidget {
public:
    explicit FormSection(QWidget* parent = nullptr);
    void setTitle(const QString& title);
    QString title() const;
    /// Appends a row; a hairline goes between it and the previous one.
    void addRow(QWidget* row);
    void insertRow(int index, QWidget* row);
    /// Takes `count` rows out from `first` on; they are deleted once control returns to the event loop.
    void removeRows(int first, int count);
    QWidget* row(int index) const;
    /// Hairlines sit only between rows that are not hidden; call after hiding or showing a row.
    void updateHairlines();
    int rowCount() const { return m_rows.size(); }
    /// A row of a leading label and trailing widgets, with a flexible space between them.
    static QWidget* makeRow(QWidget* leading, const QList<QWidget*>& trailing);

private:
    QLabel* m_header;
    QWidget* m_panel;
    QVBoxLayout* m_panelLayout;
    QList<QWidget*> m_rows;  // each row inside a slot with its hairline
};

}  // namespace quillet::FormStyle
