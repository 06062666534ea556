// Where a synthetic paste may go: the application (and, where known, the window) the text belongs
#include "core/PasteTarget.h"

#include "platform/Workspace.h"

namespace quillet {

PasteTarget PasteTarget::front(Workspace& workspace) {
    PasteTarget target;
    // The window is read on both sides of the application: a window that came to the front in
    // between (this program's panel, shown as the field is read) is never taken for the
    // application's, or the paste would wait for it in vain. Unknown, any window of it will do.
    const quint64 window = workspace.activeWindow();
    const std::optional<RunningApplication> app = workspace.activeApplication();
    if (!app || app->pid == workspace.ownPid())
        return target;
    target.pid = app->pid;
    target.appId = app->appId;
    if (workspace.activeWindow() == window)
        target.window = window;
    return target;
}

void PasteTarget::activate(Workspace& workspace) const {
    if (window != 0 && workspace.activateWindow(window))
        return;
    if (pid != 0)
        workspace.activate(pid);
}

bool PasteTarget::isInFront(Workspace& workspace) const {
    if (pid == 0)
        return true;
    const std::optional<RunningApplication> app = workspace.activeApplication();
    if (!app)
        return true;
    if (window != 0) {
        const quint64 active = workspace.activeWindow();
        if (active != 0)
            return active == window;
    }
    return app->pid == pid || (appId && app->appId == appId);
}

}  // namespace quillet
