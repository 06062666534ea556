// The coordinator on the platform doubles and virtual time, with an editor's field to focus: the set-up
// the coordinator's tests share. `Windows` is what it drives: the doubles, or the program's widgets.
#pragma once

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QTimeZone>

#include "core/AppCoordinator.h"
#include "core/SuggestionViewModel.h"
#include "platform/Accessibility.h"
#include "support/FakeDesktop.h"

namespace quillet::test {

constexpr qint32 kEditorPid = 501;
const QString kEditorId = QStringLiteral("org.xfce.mousepad");

template <typename Windows>
class CoordinatorFixture : public testing::Test {
protected:
    void SetUp() override {
        desktop.workspace.addApp({kEditorPid, kEditorId, QStringLiteral("Mousepad")});
        desktop.storeKey();
        windows = std::make_unique<Windows>(desktop.services());
        coordinator =
            std::make_unique<AppCoordinator>(desktop.settings, desktop.services(), windows->surfaces());
        coordinator->now = [this] { return clock; };
        QObject::connect(coordinator.get(), &AppCoordinator::needsSettings, [this] { ++needsSettings; });
        coordinator->start();
    }
    void TearDown() override {
        coordinator.reset();
        // Panels closed from their own handlers go once the event that closed them has finished.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
        SuggestionPanel* panel = coordinator->suggestionPanel();
        return panel ? panel->viewModel().get() : nullptr;
    }
    QString valueOf(const Accessible& e) { return desktop.ax.text(e).value_or(QStringLiteral("<none>")); }

    FakeDesktop desktop;
    QDateTime clock = QDateTime(QDate(2026, 5, 1), QTime(12, 0), QTimeZone::utc());
    std::unique_ptr<Windows> windows;
    std::unique_ptr<AppCoordinator> coordinator;
    int needsSettings = 0;
};

}  // namespace quillet::test
