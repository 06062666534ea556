// The icon and the window placement through the compositor's helper.
#include "platform/linux/shared/CompositorBridge.h"

#include <QWidget>
#include <QWindow>

namespace quillet {

CompositorIcon::CompositorIcon(CompositorBridge& bridge) : m_bridge(bridge) {
    connect(&m_bridge, &CompositorBridge::iconClicked, this, &DesktopIcon::clicked);
    connect(&m_bridge, &CompositorBridge::activeChanged, this, &DesktopIcon::availabilityChanged);
}

bool CompositorIcon::show(const QRectF& globalRect, Look look, const QString& tooltip) {
    if (!m_bridge.isActive())
        return false;
    const QString state = look == Look::loading ? QStringLiteral("loading")
                          : look == Look::error ? QStringLiteral("error")
                                                : QStringLiteral("ready");
    return m_bridge.showIcon(globalRect.toRect(), state, tooltip);
}

void CompositorIcon::hide() {
    m_bridge.hideIcon();
}

bool CompositorWindowHints::showOnAllWorkspaces(NativeWindowId window) {
    // The helper puts every window it places on all workspaces; X11 windows still get the hint.
    return m_fallback->showOnAllWorkspaces(window) || m_bridge.isActive();
}

bool CompositorWindowHints::requestKeyboardFocus(NativeWindowId window) {
    const QWidget* widget = QWidget::find(WId(window));
    if (!m_bridge.isActive() || !widget)
        return m_fallback->requestKeyboardFocus(window);
    return m_bridge.placeWindow(widget->windowTitle(), widget->geometry(), true);
}

bool CompositorWindowHints::moveResize(NativeWindowId window, const QRect& deviceRect) {
    const QWidget* widget = QWidget::find(WId(window));
    if (!m_bridge.isActive() || !widget)
        return m_fallback->moveResize(window, deviceRect);
    const qreal dpr = widget->windowHandle() ? widget->windowHandle()->devicePixelRatio() : 1.0;
    const QRect rect(QPoint(qRound(deviceRect.x() / dpr), qRound(deviceRect.y() / dpr)),
                     QSize(qRound(deviceRect.width() / dpr), qRound(deviceRect.height() / dpr)));
    return m_bridge.placeWindow(widget->windowTitle(), rect, false);
}

}  // namespace quillet
