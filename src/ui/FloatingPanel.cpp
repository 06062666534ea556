// The floating window every surface lives in: frameless, above ordinary and floating windows, on every
#include "ui/FloatingPanel.h"

#include <QGuiApplication>
#include <QVBoxLayout>
#include <QWindow>

namespace quillet {

FloatingPanel::FloatingPanel(Focus focus, Shadow shadow, WindowHints& hints, QWidget* parent)
    : QWidget(parent), m_focus(focus), m_hints(hints) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    // A window manager keeps a focused full-screen window above every window it manages, "above"
    // ones included; the icon and the notice must show over it all the same. Left to themselves, as
    // tooltips are, they stay where they are raised. The panel that takes the keyboard stays managed:
    // once it has the focus, the full-screen window is no longer in front of it.
    if (focus == Focus::never)
        flags |= Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint;
    if (shadow == Shadow::none)
        flags |= Qt::NoDropShadowWindowHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, focus == Focus::never);
    // Tooltips of a window that is never active would otherwise stay hidden.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // Closing is ordering out: the owner decides when the panel is gone.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void FloatingPanel::setContent(QWidget* content) {
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    if (content)
        layout()->addWidget(content);
}

void FloatingPanel::setScreenFrame(const Rect& frame) {
    const QRect global = frame.toRect();
    setFixedSize(global.size());
    setGeometry(global);
    // Qt skips the request when it believes the window is there already, and a late notice from the
    // window manager about an earlier move can leave it believing so wrongly: the icon would then
    // stay where the field was. The request is repeated to the X server, which costs no round trip.
    if (testAttribute(Qt::WA_WState_Created) && windowHandle()) {
        const qreal dpr = windowHandle()->devicePixelRatio();
        const QRect device(QPoint(qRound(global.x() * dpr), qRound(global.y() * dpr)),
                           QSize(qRound(global.width() * dpr), qRound(global.height() * dpr)));
        m_hints.moveResize(winId(), device);
    }
}

Rect FloatingPanel::screenFrame() const {
    return QRectF(geometry());
}

void FloatingPanel::bringToFront() {
    if (!m_hintsApplied)
        applyNativeHints();
    show();
    raise();
    if (m_focus == Focus::onShow) {
        activateWindow();
        m_hints.requestKeyboardFocus(winId());
        // The panel itself takes the keys: no button wears a focus ring until the user tabs to it.
        setFocus(Qt::ActiveWindowFocusReason);
    }
}

void FloatingPanel::showWithoutActivating() {
    if (!m_hintsApplied)
        applyNativeHints();
    // Read when the window is mapped: the window manager leaves the keyboard where it is.
    const bool wasWithoutActivating = testAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    raise();
    setAttribute(Qt::WA_ShowWithoutActivating, wasWithoutActivating);
}

void FloatingPanel::prepareNative() {
    if (!m_hintsApplied)
        applyNativeHints();
}

void FloatingPanel::paintEvent(QPaintEvent* /*event*/) {
    // Nothing: whatever the content does not cover stays transparent.
}

void FloatingPanel::applyNativeHints() {
    // The window must exist before it is mapped for the desktop to read the hints at mapping time.
    m_hintsApplied = m_hints.showOnAllWorkspaces(winId());
}

}  // namespace quillet
