#include "ui/SurfaceWidgets.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <cmath>

#include "ui/Brand.h"

namespace quillet {

RoundedBox::RoundedBox(double radius, QColor fill, QColor border, QWidget* parent)
    : QWidget(parent), m_radius(radius), m_fill(fill), m_border(border) {}

void RoundedBox::setColors(QColor fill, QColor border) {
    m_fill = fill;
    m_border = border;
    update();
}

void RoundedBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    const double radius = m_radius < 0 ? r.height() / 2 : m_radius;
    p.setPen(Qt::NoPen);
    p.setBrush(m_fill);
    p.drawRoundedRect(r, radius, radius);
    // The border lies inside the edge.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(m_border, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

SymbolBadge::SymbolBadge(double diameter, QColor fill, Style::Symbol symbol, double symbolSize,
                         QColor symbolColor, bool bold, QWidget* parent)
    : QWidget(parent),
      m_fill(fill),
      m_symbol(symbol),
      m_symbolSize(symbolSize),
      m_symbolColor(symbolColor),
      m_bold(bold) {
    const int d = static_cast<int>(std::round(diameter));
    setFixedSize(d, d);
}

void SymbolBadge::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_fill);
    p.drawEllipse(QRectF(rect()));
    const QPointF c = QRectF(rect()).center();
    Style::paintSymbol(p, m_symbol,
                       QRectF(c.x() - m_symbolSize / 2, c.y() - m_symbolSize / 2, m_symbolSize, m_symbolSize),
                       m_symbolColor, m_bold);
}

EmblemBadge::EmblemBadge(QWidget* parent) : QWidget(parent) {
    // 22 points of emblem with 3 points around it.
    setFixedSize(28, 28);
}

void EmblemBadge::paintEvent(QPaintEvent* /*event*/) {
    const QSvgRenderer* emblem = BrandAssets::emblem();
    if (!emblem)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Style::withAlpha(Brand::teal(), 0.5), 1));
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    // Scaled to fit, keeping the emblem's proportions.
    QSizeF size = emblem->defaultSize().isEmpty() ? QSizeF(22, 22) : QSizeF(emblem->defaultSize());
    size.scale(22, 22, Qt::KeepAspectRatio);
    const QRectF target(r.center().x() - size.width() / 2, r.center().y() - size.height() / 2, size.width(),
                        size.height());
    const_cast<QSvgRenderer*>(emblem)->render(&p, target);
}

Spinner::Spinner(QColor tint, QWidget* parent) : QWidget(parent), m_tint(tint) {
    setFixedSize(32, 32);
    m_turn.setStartValue(0.0);
    m_turn.setEndValue(360.0);
    m_turn.setDuration(900);
    m_turn.setLoopCount(-1);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void Spinner::showEvent(QShowEvent* /*event*/) {
    m_turn.start();
}

void Spinner::hideEvent(QHideEvent* /*event*/) {
    m_turn.stop();
}

void Spinner::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(3, 3, -3, -3);
    p.setPen(QPen(Style::withAlpha(m_tint, 0.2), 3));
    p.drawEllipse(r);
    p.setPen(QPen(m_tint, 3, Qt::SolidLine, Qt::RoundCap));
    const double angle = m_turn.currentValue().toDouble();
    p.drawArc(r, static_cast<int>(-angle * 16), 100 * 16);
}

TextBlock::TextBlock(Sizing sizing, double fontSize, double lineSpacing, double padding, QWidget* parent)
    : QTextBrowser(parent), m_sizing(sizing), m_lineSpacing(lineSpacing) {
    setFrameShape(QFrame::NoFrame);
    setReadOnly(true);
    setOpenLinks(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(Style::font(fontSize));
    document()->setDefaultFont(Style::font(fontSize));
    document()->setDocumentMargin(padding);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (sizing == Sizing::fitHeight) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

void TextBlock::setPlain(const QString& text) {
    setPlainText(text);
    applyLineSpacing();
}

void TextBlock::setRuns(const QList<DiffRun>& runs) {
    clear();
    QTextCursor cursor(document());
    QTextCharFormat plain;
    QTextCharFormat marked;
    marked.setBackground(Style::withAlpha(Style::green(), 0.25));
    marked.setFontUnderline(true);
    // One insertion per run of equal formatting keeps long texts cheap to build.
    QString pending;
    bool pendingMarked = false;
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        cursor.insertText(pending, pendingMarked ? marked : plain);
        pending.clear();
    };
    for (const DiffRun& run : runs) {
        if (run.highlighted != pendingMarked) {
            flush();
            pendingMarked = run.highlighted;
        }
        pending += run.text;
    }
    flush();
    applyLineSpacing();
}

void TextBlock::applyLineSpacing() {
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spacing;
    spacing.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
    all.mergeBlockFormat(spacing);
    updateGeometry();
}

int TextBlock::heightForWidth(int width) const {
    QTextDocument* doc = document()->clone();
    doc->setTextWidth(width);
    const int h = static_cast<int>(std::ceil(doc->size().height()));
    delete doc;
    return h;
}

QSize TextBlock::sizeHint() const {
    if (m_sizing == Sizing::scroll)
        return QTextBrowser::sizeHint();
    const int w = width() > 0 ? width() : 320;
    return {w, heightForWidth(w)};
}

void TextBlock::resizeEvent(QResizeEvent* event) {
    QTextBrowser::resizeEvent(event);
    if (m_sizing == Sizing::fitHeight) {
        const int h = heightForWidth(width());
        if (h != height())
            setFixedHeight(h);
    }
}

}  // namespace quillet
