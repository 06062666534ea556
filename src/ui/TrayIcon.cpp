// The tray icon's image: the brand emblem at the sizes trays ask for.
#include "ui/TrayIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "ui/Brand.h"
#include "ui/Style.h"

namespace quillet::TrayIcon {

namespace {

QPixmap draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(0, 0, size, size);
    if (const QSvgRenderer* emblem = BrandAssets::emblem()) {
        // Kept to its own proportions, centred: a tray slot is square, the artwork need not be.
        QSizeF fitted = QSizeF(emblem->defaultSize()).scaled(bounds.size(), Qt::KeepAspectRatio);
        if (fitted.isEmpty())
            fitted = bounds.size();
        const QRectF target(bounds.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
        const_cast<QSvgRenderer*>(emblem)->render(&p, target);
        return pixmap;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Brand::teal());
    p.drawEllipse(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::white);
    p.setFont(Style::font(size * 0.55, QFont::Bold));
    p.drawText(bounds, Qt::AlignCenter, QStringLiteral("Q"));
    return pixmap;
}

}  // namespace

QIcon emblem() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(draw(size));
    return icon;
}

}  // namespace quillet::TrayIcon
