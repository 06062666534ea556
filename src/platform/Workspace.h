// The running applications, the active one, and activation changes.
#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

namespace quillet {

struct RunningApplication {
    qint32 pid = 0;
    /// Desktop-entry id such as "org.xfce.mousepad"; empty when none is known.
    std::optional<QString> appId;
    /// The name a person knows the application by; empty when none is known.
    std::optional<QString> name;
};

class Workspace {
public:
    Workspace() = default;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    virtual ~Workspace() = default;

    /// The active application, if any.
    virtual std::optional<RunningApplication> activeApplication() = 0;
    /// The running application with process id `pid`; empty for 0 or an unknown process.
    virtual std::optional<RunningApplication> runningApplication(qint32 pid) = 0;
    /// Brings the application's top-level window to the front. False when it could not.
    virtual bool activate(qint32 pid) = 0;
    /// The desktop's id of the active top-level window; 0 when none is active or the desktop does
    /// not tell.
    virtual quint64 activeWindow() { return 0; }
    /// Brings the window `window` (an id activeWindow() gave) to the front. False when it could
    /// not, the window being gone among other reasons.
    virtual bool activateWindow(quint64 window) {
        (void)window;
        return false;
    }
    /// The program's own process id.
    virtual qint32 ownPid() = 0;
    /// The process that started process `pid`; empty when it is gone or the system does not say.
    virtual std::optional<qint32> parentProcess(qint32 /*pid*/) { return std::nullopt; }
    /// Where the window of process `pid` that the user works in lies, in accessibility coordinates
    /// (top-left origin), without the desktop's title bar and any invisible shadow; empty when the
    /// desktop does not say.
    virtual std::optional<QRectF> windowFrame(qint32 /*pid*/) { return std::nullopt; }
    /// Called on the main thread whenever an application becomes active. One handler; empty clears it.
    virtual void setActivationHandler(std::function<void(const RunningApplication&)> handler) = 0;
    /// The applications with a window on the desktop, one entry per identifier, this program left out.
    virtual QList<RunningApplication> runningApplications() = 0;
    /// The name of the installed application with desktop-entry id `appId`, running or
    /// not; empty when none is installed under that id.
    virtual std::optional<QString> applicationName(const QString& appId) = 0;
};

}  // namespace quillet
