// The settings window as a test shows it: on no screen, with a fake keyring and key check.
#pragma once

#include <QLineEdit>
#include <QToolButton>

#include "WindowTestFixture.h"
#include "ui/KeyStatusView.h"

namespace quillet::test {

class SettingsViewFixture : public WindowTest {
protected:
    // Shown, as a person sees it, but never mapped on a screen.
    std::unique_ptr<SettingsView> makeView(SettingsView::ShortcutControl shortcut = {}) {
        auto view = std::make_unique<SettingsView>(store, checker.validator(), std::move(shortcut));
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->show();
        return view;
    }
    static QString statusText(SettingsView& view) { return view.findChild<KeyStatusView*>()->text(); }
    static bool spinning(SettingsView& view) { return view.findChild<KeyStatusView*>()->spinning(); }
    /// Types `text` and leaves the field, as a person moving on to the next control.
    static void enter(QLineEdit* field, const QString& text) {
        typeInto(field, text);
        Q_EMIT field->editingFinished();
    }
    QList<QToolButton*> removeButtons(SettingsView& view) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return view.findChildren<QToolButton*>(QStringLiteral("removeBlockedApp"));
    }
};

}  // namespace quillet::test
