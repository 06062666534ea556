// The coordinator on the platform doubles and virtual time, with an editor's field to focus: the set-up
// the coordinator's tests share.
#pragma once

#include <gmock/gmock.h>

#include <QTimeZone>

#include "core/AX.h"
#include "core/SurfacePlacement.h"
#include "support/FakeDesktop.h"
#include "ui/CoordinatorWindowsSupport.h"
#include "ui/FloatingPanel.h"
#include "ui/KeyboardPanel.h"
#include "ui/SuggestionPanelController.h"

namespace quillet::test {

constexpr qint32 kEditorPid = 501;
const QString kEditorId = QStringLiteral("org.xfce.mousepad");

class AppCoordinatorTest : public testing::Test {
protected:
    void SetUp() override {
        desktop.workspace.addApp({kEditorPid, kEditorId, QStringLiteral("Mousepad")});
        desktop.storeKey();
        windows = std::make_unique<CoordinatorWindows>(desktop.services());
        coordinator =
            std::make_unique<AppCoordinator>(desktop.settings, desktop.services(), windows->surfaces());
        coordinator->now = [this] { return clock; };
        QObject::connect(coordinator.get(), &AppCoordinator::needsSettings, [this] { ++needsSettings; });
        coordinator->start();
    }

    /// A field of the editor, focused and reported; its accessibility frame is top-left based.
    Accessible focusField(const QString& value) { return focus(desktop.ax.makeTextField(kEditorPid, value)); }
    Accessible focus(const Accessible& field) {
        desktop.ax.setFocused(field);
        desktop.workspace.activateApp(desktop.workspace.apps.value(kEditorPid));
        desktop.scheduler.runPending();
        return field;
    }
    bool iconShown() { return windows->overlay.isVisible(); }
    SuggestionViewModel* openViewModel() {
        auto* c = panelController(*coordinator);
        return c ? c->viewModel().get() : nullptr;
    }
    Rect panelFrame() { return panelController(*coordinator)->panel()->screenFrame(); }
    /// The panel is placed on whole pixels; the arithmetic may land on a half point.
    void expectPanelAt(const Rect& anchor) {
        const QPointF expected = SurfacePlacement::suggestionPanelOrigin(anchor, desktop.screens.list,
                                                                         desktop.screens.mainScreen());
        EXPECT_NEAR(panelFrame().x(), expected.x(), 1);
        EXPECT_NEAR(panelFrame().y(), expected.y(), 1);
    }
    QString valueOf(const Accessible& e) {
        return AX::property<QString>(desktop.ax, e, Property::value).value_or(QStringLiteral("<none>"));
    }

    FakeDesktop desktop;
    QDateTime clock = QDateTime(QDate(2026, 5, 1), QTime(12, 0), QTimeZone::utc());
    std::unique_ptr<CoordinatorWindows> windows;
    std::unique_ptr<AppCoordinator> coordinator;
    int needsSettings = 0;
};

}  // namespace quillet::test
