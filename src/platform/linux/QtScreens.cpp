// The screens from Qt, reported with the origin at the bottom-left of the primary screen, y up.
#include "platform/linux/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

#include "core/ScreenSpace.h"

namespace quillet {

Rect QtScreens::fromQt(const QRect& rect, const QRect& primary) {
    // The same conversion the floating windows are placed with, so a frame read here lands there.
    return ScreenSpace::fromGlobal(QRectF(rect), QRectF(primary));
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
