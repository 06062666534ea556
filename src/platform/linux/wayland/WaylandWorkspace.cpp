// Running applications and the active one in a Wayland session.
#include "platform/linux/wayland/WaylandWorkspace.h"

#include <unistd.h>

#include <QFileInfo>

namespace quillet {

WaylandWorkspace::WaylandWorkspace(std::unique_ptr<Workspace> xwayland) : m_x11(std::move(xwayland)) {}
WaylandWorkspace::~WaylandWorkspace() = default;

void WaylandWorkspace::attach(Accessibility& ax) {
    m_rule = std::make_unique<WaylandFocusRule>(ax, qint32(::getpid()));
}

void WaylandWorkspace::handle(const FocusEvent& event) {
    if (!m_rule)
        return;
    const qint32 before = m_rule->activePid();
    m_rule->handle(event);
    if (event.kind == FocusEvent::Kind::applicationGone)
        m_seen.remove(event.pid);
    else if (event.pid > 0 && event.pid != ownPid())
        m_seen.insert(event.pid);
    const qint32 now = m_rule->activePid();
    if (now == before || now == 0)
        return;
    // Told from the event loop: the event may have been found in the middle of a question about
    // the focus, which the handler would ask again.
    QMetaObject::invokeMethod(
        &m_context,
        [this, now] {
            if (m_handler && activePid() == now)
                if (std::optional<RunningApplication> app = runningApplication(now))
                    m_handler(*app);
        },
        Qt::QueuedConnection);
}

Accessible WaylandWorkspace::focusedElement() {
    return m_rule ? m_rule->focusedElement() : Accessible();
}

qint32 WaylandWorkspace::activePid() const {
    return m_rule ? m_rule->activePid() : 0;
}

bool WaylandWorkspace::hasX11Window(qint32 pid) {
    return pid > 0 && m_x11->windowFrame(pid).has_value();
}

std::optional<RunningApplication> WaylandWorkspace::activeApplication() {
    const qint32 pid = activePid();
    return pid == 0 ? std::nullopt : runningApplication(pid);
}

std::optional<RunningApplication> WaylandWorkspace::runningApplication(qint32 pid) {
    return m_x11->runningApplication(pid);
}

bool WaylandWorkspace::activate(qint32 pid) {
    // Only the compositor moves the focus between Wayland windows; an XWayland program's window
    // can still be asked for, as on X11.
    if (m_activator && m_activator(pid))
        return true;
    return hasX11Window(pid) && m_x11->activate(pid);
}

qint32 WaylandWorkspace::ownPid() {
    return qint32(::getpid());
}

std::optional<qint32> WaylandWorkspace::parentProcess(qint32 pid) {
    return m_x11->parentProcess(pid);
}

std::optional<QRectF> WaylandWorkspace::windowFrame(qint32 pid) {
    // The same source as the fields' frames: the compositor's where it places them, else the X
    // server's, which places an XWayland program's fields.
    if (m_compositor && m_compositor->knowsWindows()) {
        const std::optional<ScreenPosition::WindowRects> window = m_compositor->focusedWindow(pid);
        return window ? std::optional<QRectF>(window->frame) : std::nullopt;
    }
    return pid > 0 ? m_x11->windowFrame(pid) : std::nullopt;
}

void WaylandWorkspace::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_handler = std::move(handler);
}

QList<RunningApplication> WaylandWorkspace::runningApplications() {
    QList<RunningApplication> all = m_x11->runningApplications();
    QSet<QString> ids;
    for (const RunningApplication& app : all)
        if (app.appId)
            ids.insert(*app.appId);
    for (const qint32 pid : std::as_const(m_seen)) {
        std::optional<RunningApplication> app = runningApplication(pid);
        if (!app || !app->appId || ids.contains(*app->appId))
            continue;
        ids.insert(*app->appId);
        all << *app;
    }
    return all;
}

std::optional<QString> WaylandWorkspace::applicationName(const QString& appId) {
    return m_x11->applicationName(appId);
}

}  // namespace quillet
