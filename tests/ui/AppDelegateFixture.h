// The program started on the doubles as its delegate starts it, with the tray's menu at hand.
#pragma once

#include <gmock/gmock.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QTimeZone>
#include <memory>
#include <optional>

#include "app/AppDelegate.h"
#include "support/FakeDesktop.h"
#include "ui/CoordinatorWindowsSupport.h"
#include "ui/SuggestionPanelController.h"

namespace quillet::test {

inline constexpr qint32 kEditorPid = 501;
inline const QString kSeparator = QStringLiteral("---");

class AppDelegateFixture : public testing::Test {
protected:
    AppDelegateFixture() {
        // The off-screen platform cannot raise a window and says so each time a window is presented.
        s_previousHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                // Nor has it a tray for the icon to wait for.
                if (!message.contains(QLatin1String("does not support raise()")) &&
                    !message.contains(QLatin1String("systemTrayWindowChanged")))
                    s_previousHandler(type, context, message);
            });
        desktop.workspace.addApp(
            {kEditorPid, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")});
        desktop.workspace.addApp(
            {desktop.workspace.myPid, QStringLiteral("com.lumenfold.quillet"), QStringLiteral("Quillet")});
    }
    ~AppDelegateFixture() override {
        delegate.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qInstallMessageHandler(s_previousHandler);
    }

    /// Starts the program; a run before it ends first, as at a restart.
    AppDelegate& launch(std::optional<InstanceRequest> request = std::nullopt) {
        delegate.reset();
        delegate = std::make_unique<AppDelegate>(desktop.settings, desktop.services());
        delegate->coordinator().now = [this] { return clock; };
        QObject::connect(delegate.get(), &AppDelegate::readyToQuit, [this] { ++quits; });
        delegate->trayAvailable = [this] { return trayShown; };
        delegate->start(request);
        return *delegate;
    }
    /// The menu as it is about to open: item titles, "---" for separators.
    QStringList openMenu() {
        delegate->refreshMenu(*delegate->menu());
        return titles(*delegate->menu());
    }
    static QStringList titles(const QMenu& menu) {
        QStringList out;
        for (QAction* a : menu.actions())
            out << (a->isSeparator() ? kSeparator : a->text());
        return out;
    }
    QAction* item(const QString& title) {
        for (QAction* a : delegate->menu()->actions())
            if (a->text() == title)
                return a;
        ADD_FAILURE() << "no item " << title.toStdString();
        return nullptr;
    }
    static bool labelIn(QWidget* root, const QString& text) {
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->text() == text && !label->isHidden())
                return true;
        return false;
    }
    QMenu* submenu(const QString& title) {
        QAction* a = item(title);
        return a ? a->menu() : nullptr;
    }
    /// A field of the editor with `text`, focused and reported.
    Accessible focusEditorField(const QString& text) {
        Accessible field = desktop.ax.makeTextField(kEditorPid, text);
        desktop.ax.setFocused(field);
        desktop.workspace.activateApp(desktop.workspace.apps.value(kEditorPid));
        desktop.scheduler.runPending();
        return field;
    }
    /// One replacement through the whole flow, in a field of the editor.
    void replaceInEditor(const QString& original, const QString& replacement) {
        AppCoordinator& c = delegate->coordinator();
        focusEditorField(original);
        c.presentSuggestions();
        ASSERT_NE(panelController(c), nullptr);
        panelController(c)->viewModel()->replace(replacement);
    }

    /// Makes `window` the active one, as the window manager does when it is clicked. (The off-screen
    /// platform also activates every window it shows, the icon's included, which no desktop does.)
    /// The platform answers the request in its own time: wait until it has.
    static void activate(QWidget* window) {
        // The off-screen platform leaves a requested activation unanswered: the window is made the
        // active one directly, which Qt 6.5 and later deprecate for programs, not for such tests.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(window);
        QT_WARNING_POP
        ASSERT_TRUE(window->isActiveWindow());
    }

    static inline QtMessageHandler s_previousHandler = nullptr;
    FakeDesktop desktop;
    QDateTime clock = QDateTime(QDate(2026, 5, 1), QTime(12, 0), QTimeZone::utc());
    std::unique_ptr<AppDelegate> delegate;
    int quits = 0;
    bool trayShown = true;
};

}  // namespace quillet::test
