// Small drawn pieces the surfaces and windows are built from: rounded boxes, symbols and badges, a
// spinner and a selectable text block. Everything a person reads stays a real text widget.
#pragma once

#include <optional>
#include <utility>

#include <QList>
#include <QTextBrowser>
#include <QVariantAnimation>
#include <QWidget>

#include "core/DiffHighlighter.h"
#include "ui/Style.h"

class QLabel;
class QVBoxLayout;

namespace quillet {

/// A rounded rectangle (or a capsule when `radius` is negative) with a fill and a 1-point inner border.
class RoundedBox : public QWidget {
    Q_OBJECT
public:
    RoundedBox(double radius, QColor fill, QColor border, QWidget* parent = nullptr);
    void setColors(QColor fill, QColor border);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_radius;
    QColor m_fill;
    QColor m_border;
};

/// A filled circle with a symbol centred on it.
class SymbolBadge : public QWidget {
    Q_OBJECT
public:
    SymbolBadge(double diameter, QColor fill, Style::Symbol symbol, double symbolSize, QColor symbolColor,
                bool bold, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    Style::Symbol m_symbol;
    double m_symbolSize;
    QColor m_symbolColor;
    bool m_bold;
};

/// A symbol drawn at the widget's size, in one colour.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(Style::Symbol symbol, int size, QWidget* parent = nullptr);
    void setSymbol(Style::Symbol symbol, const QColor& color);
    QSize sizeHint() const override { return QSize(m_size, m_size); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style::Symbol m_symbol;
    QColor m_color;
    int m_size;
};

/// The brand emblem on a white disc with a thin ring, and optionally a soft shadow below; draws
/// nothing without the emblem.
class EmblemBadge : public QWidget {
    Q_OBJECT
public:
    struct Look {
        double disc;
        double emblem;
        QColor ring;
        double ringWidth;
        bool shadow;
    };
    /// The small badge in a panel's header row.
    static Look surface();
    /// The large badge on the setup window's teal band.
    static Look banner();

    explicit EmblemBadge(Look look = surface(), QWidget* parent = nullptr);
    /// The room the shadow takes below the disc.
    int shadowDepth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
};

/// An indeterminate progress ring of `size` points in `tint`; it turns only while it is on screen.
class Spinner : public QWidget {
    Q_OBJECT
public:
    Spinner(int size, QColor tint, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QColor m_tint;
    QVariantAnimation m_turn;
};

/// Read-only, selectable text with a line spacing; either scrolls, or grows to fit its text.
class TextBlock : public QTextBrowser {
    Q_OBJECT
public:
    enum class Sizing { scroll, fitHeight };
    TextBlock(Sizing sizing, double fontSize, double lineSpacing, double padding, QWidget* parent = nullptr);

    void setPlain(const QString& text);
    /// Highlighted runs get a green background at 25 % opacity and an underline.
    void setRuns(const QList<DiffRun>& runs);

    bool hasHeightForWidth() const override { return m_sizing == Sizing::fitHeight; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void applyLineSpacing();

    Sizing m_sizing;
    double m_lineSpacing;
    // The last width asked of heightForWidth() and its answer, until the text changes.
    mutable std::optional<std::pair<int, int>> m_measured;
};

/// A view of one tab or page: a widget named `name` for tests and accessibility, its content in the
/// column returned. Margins left as `std::nullopt` keep the style's own.
QVBoxLayout* namedColumn(QWidget*& view, const QString& name, std::optional<QMargins> margins, int spacing);
/// A label in the secondary colour of `colours`. Messages come from servers too: drawn as the
/// characters they are, never as markup.
QLabel* secondaryLabel(const QString& text, const QFont& font, const QWidget& colours);

}  // namespace quillet
