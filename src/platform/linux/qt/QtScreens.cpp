// The screens from Qt, reported with the origin at the bottom-left of the primary screen, y up.
#include "platform/linux/qt/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "base/ScreenSpace.h"

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

std::optional<QPointF> QtScreens::pointer() {
    // Under Wayland Qt knows the pointer only while it is over one of the program's own windows.
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary || QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    return fromQt(QRect(QCursor::pos(), QSize(0, 0)), primary->geometry()).topLeft();
}

std::optional<ScreenInfo> QtScreens::mainScreen() {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    return info(primary, primary->geometry());
}

}  // namespace quillet
