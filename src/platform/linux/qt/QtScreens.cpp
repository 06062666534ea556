// The screens from Qt, in its global coordinates.
#include "platform/linux/qt/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace quillet {

ScreenInfo QtScreens::info(QScreen* screen) {
    return ScreenInfo{QRectF(screen->geometry()), QRectF(screen->availableGeometry())};
}

QList<ScreenInfo> QtScreens::screens() {
    QList<ScreenInfo> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return result;
    result << info(primary);
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            result << info(screen);
    return result;
}

std::optional<QPointF> QtScreens::pointer() {
    // Under Wayland Qt knows the pointer only while it is over one of the program's own windows.
    if (!QGuiApplication::primaryScreen() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    return QPointF(QCursor::pos());
}

std::optional<ScreenInfo> QtScreens::mainScreen() {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    return info(primary);
}

}  // namespace quillet
