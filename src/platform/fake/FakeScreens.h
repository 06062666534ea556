// Screens, workspace and beep doubles: plain data the test sets, calls the test can count.
#pragma once

#include <QMap>
#include <functional>
#include <utility>

#include "platform/Beep.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

namespace quillet {

class FakeScreens final : public Screens {
public:
    QList<ScreenInfo> screens() override { return list; }
    std::optional<ScreenInfo> mainScreen() override {
        if (mainIndex < 0 || mainIndex >= list.size())
            return std::nullopt;
        return list.at(mainIndex);
    }

    /// One 1440x900 screen with a 25-point top bar, like a small laptop.
    static QList<ScreenInfo> laptop() { return {ScreenInfo{Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875)}}; }

    std::optional<QPointF> pointer() override { return pointerAt; }

    QList<ScreenInfo> list = laptop();
    std::optional<QPointF> pointerAt;
    int mainIndex = 0;  // -1: no main screen
};

class FakeWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> activeApplication() override {
        const std::optional<RunningApplication> app = activeApp;
        if (auto changed = std::exchange(afterActiveRead, nullptr))
            changed();
        return app;
    }
    std::optional<RunningApplication> runningApplication(qint32 pid) override {
        if (pid == 0 || !apps.contains(pid))
            return std::nullopt;
        return apps.value(pid);
    }
    bool activate(qint32 pid) override {
        activations << pid;
        if (!apps.contains(pid))
            return false;
        activateApp(apps.value(pid));
        return true;
    }
    quint64 activeWindow() override { return activeApp ? windows.value(activeApp->pid) : 0; }
    bool activateWindow(quint64 window) override {
        windowActivations << window;
        const qint32 pid = windows.key(window, 0);
        if (window == 0 || pid == 0 || !apps.contains(pid))
            return false;
        activateApp(apps.value(pid));
        return true;
    }
    qint32 ownPid() override { return myPid; }
    std::optional<qint32> parentProcess(qint32 pid) override {
        return parents.contains(pid) ? std::optional<qint32>(parents.value(pid)) : std::nullopt;
    }
    std::optional<QRectF> windowFrame(qint32 pid) override {
        return windowFrames.contains(pid) ? std::optional<QRectF>(windowFrames.value(pid)) : std::nullopt;
    }
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override {
        m_handler = std::move(handler);
    }

    QList<RunningApplication> runningApplications() override {
        QList<RunningApplication> list;
        for (const RunningApplication& app : std::as_const(apps))
            if (app.pid != myPid)
                list << app;
        return list;
    }
    std::optional<QString> applicationName(const QString& appId) override {
        if (installedNames.contains(appId))
            return installedNames.value(appId);
        return std::nullopt;
    }

    /// Adds (or replaces) a running application.
    void addApp(const RunningApplication& app) { apps.insert(app.pid, app); }
    /// Makes `app` the active application and tells the handler, as the desktop would.
    void activateApp(const RunningApplication& app) {
        activeApp = app;
        if (m_handler)
            m_handler(app);
    }

    QMap<qint32, RunningApplication> apps;
    std::optional<RunningApplication> activeApp;
    QList<qint32> activations;
    /// Each application's one window, by process; an application without an entry has no known window.
    QMap<qint32, quint64> windows;
    QList<quint64> windowActivations;
    /// Where each application's window lies, by process (accessibility coordinates); unknown without.
    QMap<qint32, QRectF> windowFrames;
    qint32 myPid = 4242;
    /// Each process's parent, by process; unknown without an entry.
    QMap<qint32, qint32> parents;
    /// Called once, right after the active application is read: the desktop changing it then.
    std::function<void()> afterActiveRead;
    /// Installed applications' names by identifier, running or not.
    QMap<QString, QString> installedNames;

private:
    std::function<void(const RunningApplication&)> m_handler;
};

class FakeBeep final : public Beep {
public:
    void beep() override { ++count; }
    int count = 0;
};

}  // namespace quillet
