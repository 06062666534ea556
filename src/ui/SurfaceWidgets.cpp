// Small drawn pieces the surfaces and windows are built from.
#include "ui/SurfaceWidgets.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QPainter>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
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

SymbolLabel::SymbolLabel(Style::Symbol symbol, int size, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(palette().color(QPalette::WindowText)), m_size(size) {
    setFixedSize(size, size);
}

void SymbolLabel::setSymbol(Style::Symbol symbol, const QColor& color) {
    m_symbol = symbol;
    m_color = color;
    update();
}

void SymbolLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    Style::paintSymbol(p, m_symbol, rect(), m_color);
}

namespace {
// The sides and the depth a shadowed badge keeps free around its disc.
constexpr int kShadowSide = 4;
constexpr int kShadowDepth = 8;
}  // namespace

EmblemBadge::Look EmblemBadge::surface() {
    // 22 points of emblem with 3 points around it.
    return {28, 22, Style::withAlpha(Brand::teal(), 0.5), 1, false};
}

EmblemBadge::Look EmblemBadge::banner() {
    // The 56-point emblem with 10 points around it.
    return {76, 56, QColor(255, 255, 255, 153), 1.5, true};
}

EmblemBadge::EmblemBadge(Look look, QWidget* parent) : QWidget(parent), m_look(look) {
    const int disc = static_cast<int>(look.disc);
    setFixedSize(disc + 2 * (look.shadow ? kShadowSide : 0), disc + shadowDepth());
}

int EmblemBadge::shadowDepth() const {
    return m_look.shadow ? kShadowDepth : 0;
}

void EmblemBadge::paintEvent(QPaintEvent* /*event*/) {
    const QSvgRenderer* emblem = BrandAssets::emblem();
    if (!emblem)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double disc = m_look.disc;
    const QRectF circle(m_look.shadow ? kShadowSide : 0, 0, disc, disc);
    p.setPen(Qt::NoPen);
    if (m_look.shadow) {
        const QPointF centre = circle.center() + QPointF(0, 3);
        QRadialGradient shadow(centre, disc / 2 + 8);
        const double edge = (disc / 2 - 4) / (disc / 2 + 8);
        shadow.setColorAt(0, QColor(0, 0, 0, 46));
        shadow.setColorAt(edge, QColor(0, 0, 0, 46));
        shadow.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(shadow);
        p.drawEllipse(centre, disc / 2 + 8, disc / 2 + 8);
    }
    p.setBrush(Qt::white);
    p.drawEllipse(circle);
    // Scaled to fit, keeping the emblem's proportions.
    const double e = m_look.emblem;
    QSizeF size = emblem->defaultSize().isEmpty() ? QSizeF(e, e) : QSizeF(emblem->defaultSize());
    size.scale(e, e, Qt::KeepAspectRatio);
    const QRectF target(circle.center().x() - size.width() / 2, circle.center().y() - size.height() / 2,
                        size.width(), size.height());
    const_cast<QSvgRenderer*>(emblem)->render(&p, target);
    // The ring lies inside the disc's edge.
    const double inset = m_look.ringWidth / 2;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(m_look.ring, m_look.ringWidth));
    p.drawEllipse(circle.adjusted(inset, inset, -inset, -inset));
}

Spinner::Spinner(int size, QColor tint, QWidget* parent) : QWidget(parent), m_tint(tint) {
    setFixedSize(size, size);
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
    const double pen = std::max(1.5, width() * 3 / 32.0);
    const QRectF r = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    p.setPen(QPen(Style::withAlpha(m_tint, 0.2), pen));
    p.drawEllipse(r);
    p.setPen(QPen(m_tint, pen, Qt::SolidLine, Qt::RoundCap));
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
        // Its height is asked for the width it gets, so a list of them is as tall as its texts.
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
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
    // The insertions carried the view's own cursor to the end: a long text opens at its first line.
    moveCursor(QTextCursor::Start);
}

void TextBlock::applyLineSpacing() {
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spacing;
    spacing.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
    all.mergeBlockFormat(spacing);
    m_measured.reset();
    updateGeometry();
}

int TextBlock::heightForWidth(int width) const {
    // Layouts ask again and again for the same width; laying a copy of the text out is the cost.
    if (m_measured && m_measured->first == width)
        return m_measured->second;
    QTextDocument* doc = document()->clone();
    doc->setTextWidth(width);
    const int h = static_cast<int>(std::ceil(doc->size().height()));
    delete doc;
    m_measured = std::pair(width, h);
    return h;
}

QSize TextBlock::sizeHint() const {
    if (m_sizing == Sizing::scroll)
        return QTextBrowser::sizeHint();
    const int w = width() > 0 ? width() : 320;
    return {w, heightForWidth(w)};
}

QSize TextBlock::minimumSizeHint() const {
    if (m_sizing == Sizing::scroll)
        return QTextBrowser::minimumSizeHint();
    // The layout asks heightForWidth() for the real height; a scroll area's own minimum would only
    // add space under short texts.
    return {0, fontMetrics().height()};
}

QVBoxLayout* namedColumn(QWidget*& view, const QString& name, std::optional<QMargins> margins, int spacing) {
    view = new QWidget;
    view->setObjectName(name);
    auto* column = new QVBoxLayout(view);
    if (margins)
        column->setContentsMargins(*margins);
    column->setSpacing(spacing);
    return column;
}

QLabel* secondaryLabel(const QString& text, const QFont& font, const QWidget& colours) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Style::secondary(colours));
    label->setPalette(pal);
    return label;
}

}  // namespace quillet
