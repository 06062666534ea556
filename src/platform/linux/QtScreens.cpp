#include "platform/linux/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace quillet {

Rect QtScreens::fromQt(const QRect& rect, const QRect& primary) {
    // Qt's rectangles end one pixel short (bottom() = y + height - 1); work from y and height.
    return Rect(rect.x() - primary.x(), primary.y() + primary.height() - rect.y() - rect.height(),
                rect.width(), rect.height());
}

ScreenInfo QtScreens::info(QScreen* screen, const QRect& primary) {
    return ScreenInfo{fromQt(screen->geometry(), primary), fromQt(screen->availableGeometry(), primary)};
}

QList<ScreenInfo> QtScreens::screens() {
    QList<ScreenInfo> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return result;
    const QRect anchor = primary->geometry();
    result << info(primary, anchor);
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            result << info(screen, anchor);
    return result;
}

std::optional<ScreenInfo> QtScreens::mainScreen() {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    return info(primary, primary->geometry());
}

}  // namespace quillet
