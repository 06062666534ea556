// Running applications and the active one in a Wayland session, where the compositor tells other
// programs nothing: the active window comes from the accessibility events, names and desktop
// entries as on X11, and programs under XWayland are still reached through their X11 windows.
#pragma once

#include <QObject>
#include <QSet>
#include <memory>

#include "platform/Workspace.h"
#include "platform/linux/shared/CompositorWindows.h"
#include "platform/linux/wayland/WaylandFocusRule.h"

namespace quillet {

class WaylandWorkspace final : public Workspace {
public:
    /// `xwayland` reaches programs through their X11 windows, names them and finds their desktop
    /// entries, as on X11.
    explicit WaylandWorkspace(std::unique_ptr<Workspace> xwayland);
    ~WaylandWorkspace() override;

    /// Follows the focus through `ax`, which must outlive this workspace. Before it, no application
    /// is active.
    void attach(Accessibility& ax);
    /// One window or focus event, in the order the bus delivered it.
    void handle(const FocusEvent& event);
    /// The active application's latest focused element when it is editable text; null otherwise.
    Accessible focusedElement();
    /// The process of the active window, 0 when none is known to be active.
    qint32 activePid() const;
    /// Whether process `pid` shows an X11 window (through XWayland): keys can be pressed into it.
    bool hasX11Window(qint32 pid);

    std::optional<RunningApplication> activeApplication() override;
    std::optional<RunningApplication> runningApplication(qint32 pid) override;
    bool activate(qint32 pid) override;
    qint32 ownPid() override;
    std::optional<qint32> parentProcess(qint32 pid) override;
    /// The focused window as the compositor shows it, its own title bar included, where the
    /// compositor tells (see setCompositorWindows); else an XWayland program's window.
    std::optional<QRectF> windowFrame(qint32 pid) override;
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override;
    QList<RunningApplication> runningApplications() override;
    std::optional<QString> applicationName(const QString& appId) override;

    /// How the compositor is asked to bring a process's window to the front (GNOME Shell's
    /// extension); it answers false when it could not. Without one only XWayland windows come forward.
    void setActivator(std::function<bool(qint32 pid)> activator) { m_activator = std::move(activator); }

    /// Where the compositor tells where windows are (its extension for Quillet); it then places the
    /// fields too, in its own coordinates. Null: none; `windows` must outlive this workspace.
    void setCompositorWindows(CompositorWindows* windows) { m_compositor = windows; }

private:
    // Names and desktop entries; the windows of XWayland programs when there is an X server.
    std::unique_ptr<Workspace> m_x11;
    std::unique_ptr<WaylandFocusRule> m_rule;
    std::function<void(const RunningApplication&)> m_handler;
    std::function<bool(qint32)> m_activator;
    CompositorWindows* m_compositor = nullptr;
    // Processes seen on the bus, for the list of running applications.
    QSet<qint32> m_seen;
    QObject m_context;  // queued calls die with it
};

}  // namespace quillet
