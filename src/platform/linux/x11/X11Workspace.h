// Running applications and the active one on an X11 desktop, from the window manager's EWMH
// properties: _NET_ACTIVE_WINDOW, _NET_CLIENT_LIST, _NET_WM_PID.
#pragma once

#include <QHash>
#include <QObject>
#include <QRectF>
#include <functional>
#include <memory>

#include "platform/Workspace.h"

class QSocketNotifier;

namespace quillet {

class X11Workspace final : public Workspace {
public:
    X11Workspace();
    ~X11Workspace() override;

    std::optional<RunningApplication> activeApplication() override;
    std::optional<RunningApplication> runningApplication(qint32 pid) override;
    bool activate(qint32 pid) override;
    quint64 activeWindow() override;
    bool activateWindow(quint64 window) override;
    qint32 ownPid() override;
    std::optional<qint32> parentProcess(qint32 pid) override;
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override;
    QList<RunningApplication> runningApplications() override;
    std::optional<QString> applicationName(const QString& appId) override;

    /// The process of the active window: 0 when no window is active, empty when the window
    /// manager does not say (no display, or no EWMH support).
    std::optional<qint32> activePid();
    /// Where the top-level window of process `pid` (its active one, if it has several) lies on the
    /// screen, without the invisible border a window that draws its own frame declares; empty when
    /// it has no window.
    std::optional<QRectF> windowFrame(qint32 pid) override;
    /// Where the name of an application without a desktop entry comes from (the accessibility bus).
    void setNameFallback(std::function<std::optional<QString>(qint32)> fallback) {
        m_nameFallback = std::move(fallback);
    }

private:
    struct DesktopEntry {
        QString id;
        QString name;
    };
    void readEvents();
    void drainEvents();
    void catchUp();
    void readActive();
    unsigned long currentActiveWindow(bool* known = nullptr);
    unsigned long windowOf(qint32 pid);
    qint32 pidOfWindow(unsigned long window);
    std::optional<DesktopEntry> desktopEntry(const QString& id);
    std::optional<DesktopEntry> desktopEntryForClass(const QString& wmClass);
    void loadDesktopEntries();

    struct X;
    std::unique_ptr<X> m_x;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void(const RunningApplication&)> m_handler;
    std::function<std::optional<QString>(qint32)> m_nameFallback;
    unsigned long m_lastActive = 0;
    qint32 m_lastActivePid = 0;
    // The active window as the window manager last set it, read again only when it changes: a click
    // then asks the X server nothing, which matters while the window manager holds every other
    // client's request up (it does as it maps our panel).
    struct Active {
        unsigned long window = 0;
        bool known = false;
        qint32 pid = 0;
        std::optional<RunningApplication> app;
    };
    Active m_active;
    bool m_activationToReport = false;
    bool m_entriesLoaded = false;
    QHash<QString, DesktopEntry> m_entriesById;       // lower-case id -> entry
    QHash<QString, DesktopEntry> m_entriesByWmClass;  // lower-case StartupWMClass -> entry
};

}  // namespace quillet
