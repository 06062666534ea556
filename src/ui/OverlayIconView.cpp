// The overlay icon's badge: a white disc with a coloured ring and the emblem, reporting clicks.
#include "ui/OverlayIconView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include "ui/Brand.h"
#include "ui/Style.h"

namespace quillet {

OverlayIconView::OverlayIconView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setCursor(Qt::PointingHandCursor);
}

void OverlayIconView::setState(IconState state) {
    m_state = state;
    update();
}

QColor OverlayIconView::ringColor(IconState state) {
    switch (state) {
        case IconState::ready:
            return Brand::teal();
        case IconState::loading:
            return Style::grey();
        case IconState::error:
            return Style::red();
    }
    return Brand::teal();
}

void OverlayIconView::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();

    const QRectF disc = bounds.adjusted(1, 1, -1, -1);
    p.setBrush(Qt::white);
    p.setPen(QPen(ringColor(m_state), 1.6));
    p.drawEllipse(disc);

    if (const QSvgRenderer* emblem = BrandAssets::emblem()) {
        p.setOpacity(m_state == IconState::loading ? 0.45 : 1.0);
        const_cast<QSvgRenderer*>(emblem)->render(&p, bounds.adjusted(3.5, 3.5, -3.5, -3.5));
        p.setOpacity(1.0);
        return;
    }
    // Without the emblem: a bold teal Q, in every state.
    p.setFont(Style::font(13, QFont::Bold));
    p.setPen(Brand::teal());
    p.drawText(bounds, Qt::AlignCenter, QStringLiteral("Q"));
}

void OverlayIconView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_lastClickTime = event->timestamp();
    emit clicked();
}

}  // namespace quillet
