// A focus monitor on the fake accessibility tree and a virtual clock, with an editor, a browser and
// this program among the running applications.
#pragma once

#include <gmock/gmock.h>

#include <vector>

#include "core/AXMonitor.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"

namespace quillet::test {

constexpr qint32 editorPid = 100;
constexpr qint32 browserPid = 200;

class AXMonitorFixture : public testing::Test {
protected:
    AXMonitorFixture() {
        workspace.addApp(editor);
        workspace.addApp(browser);
        workspace.addApp(self);
        workspace.myPid = self.pid;
        workspace.activeApp = editor;
        QObject::connect(&monitor, &AXMonitor::focusChanged, [this](const std::optional<FocusedField>& f) {
            focusChanges.push_back(f ? std::optional<Accessible>(f->element) : std::nullopt);
        });
        QObject::connect(&monitor, &AXMonitor::fieldUpdated, [this] { ++updates; });
    }
    Accessible focusField(qint32 pid, const QString& text = QStringLiteral("some words here")) {
        Accessible e = ax.makeTextField(pid, text);
        ax.setFocused(e);
        return e;
    }
    /// Starts the monitor on a focused field of the editor.
    Accessible startOn() {
        Accessible e = focusField(editorPid);
        monitor.start();
        return e;
    }

    RunningApplication editor{editorPid, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")};
    RunningApplication browser{browserPid, QStringLiteral("firefox"), QStringLiteral("Firefox")};
    RunningApplication self{4242, QStringLiteral("com.lumenfold.quillet"), QStringLiteral("Quillet")};
    FakeAccessibility ax;
    FakeWorkspace workspace;
    FakeScheduler scheduler;
    AXMonitor monitor{ax, workspace, scheduler};
    std::vector<std::optional<Accessible>> focusChanges;
    int updates = 0;
};

}  // namespace quillet::test
