// The platform services Quillet's helper script inside KWin gives a Wayland session: the icon at
#include "platform/linux/kwin/KWinServices.h"

#include <QWidget>
#include <QWindow>

namespace quillet {

KWinIcon::KWinIcon(KWinBridge& bridge) : m_bridge(bridge) {
    connect(&m_bridge, &KWinBridge::iconClicked, this, [this] {
        if (onClick)
            onClick();
    });
    connect(&m_bridge, &KWinBridge::activeChanged, this, [this] {
        if (onAvailabilityChanged)
            onAvailabilityChanged();
    });
}

bool KWinIcon::show(const QRectF& globalRect, Look look, const QString& tooltip) {
    if (!m_bridge.isActive())
        return false;
    const QString name = look == Look::loading ? QStringLiteral("loading")
                         : look == Look::error ? QStringLiteral("error")
                                               : QStringLiteral("ready");
    m_bridge.showIcon(globalRect.toRect(), name, tooltip);
    return true;
}

void KWinIcon::hide() {
    m_bridge.hideIcon();
}

bool KWinWindowHints::showOnAllWorkspaces(NativeWindowId window) {
    // The script puts every window it places on all desktops; X11 windows still get the hint.
    return m_fallback->showOnAllWorkspaces(window) || m_bridge.isActive();
}

bool KWinWindowHints::requestKeyboardFocus(NativeWindowId window) {
    const QWidget* widget = QWidget::find(WId(window));
    if (!m_bridge.isActive() || !widget)
        return m_fallback->requestKeyboardFocus(window);
    m_bridge.placeWindow(widget->windowTitle(), widget->geometry(), true);
    return true;
}

bool KWinWindowHints::moveResize(NativeWindowId window, const QRect& deviceRect) {
    const QWidget* widget = QWidget::find(WId(window));
    if (!m_bridge.isActive() || !widget)
        return m_fallback->moveResize(window, deviceRect);
    const qreal dpr = widget->windowHandle() ? widget->windowHandle()->devicePixelRatio() : 1.0;
    const QRect rect(QPoint(qRound(deviceRect.x() / dpr), qRound(deviceRect.y() / dpr)),
                     QSize(qRound(deviceRect.width() / dpr), qRound(deviceRect.height() / dpr)));
    m_bridge.placeWindow(widget->windowTitle(), rect, false);
    return true;
}

}  // namespace quillet
