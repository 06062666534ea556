// What changes in the program's behaviour with the kind of session it runs in.
#include "app/SessionMode.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QWidget>

#include "app/AppDelegate.h"
#include "app/Platform.h"
#include "core/CustomShortcutSteps.h"
#include "core/KWinKeysHint.h"
#include "core/SessionType.h"
#include "core/ShellExtensionHint.h"
#include "core/Shortcut.h"
#include "platform/linux/gnome-shell/GnomeShellBridge.h"
#include "platform/linux/kwin/KWinBridge.h"
#include "platform/linux/kwin/KWinFakeInput.h"
#include "platform/linux/shared/ScreenPosition.h"
#include "platform/linux/wayland/PortalShortcut.h"

namespace quillet {

namespace {

// GNOME Shell with Quillet's extension: the icon at the field, drawn by the shell, and the setup
// window's word on the extension while it does not work. It may be switched on or off at any time.
void useGnomeShell(AppDelegate& delegate, GnomeShellBridge& shell, DesktopIcon* icon) {
    AppCoordinator& coordinator = delegate.coordinator();
    shell.connectToShell(true);
    delegate.windows().overlay.setDesktopIcon(icon);
    coordinator.showsFieldIcon = shell.isActive();
    QObject::connect(&shell, &GnomeShellBridge::activeChanged, &coordinator, [&coordinator](bool active) {
        coordinator.showsFieldIcon = active;
        coordinator.reconsiderField();
    });
    // The setup's sample field: its window's place comes from the shell too.
    delegate.accessibility().windowOrigin = [&shell](QWidget* window) -> std::optional<QPointF> {
        if (!shell.isActive())
            return QPointF(window->mapToGlobal(QPoint(0, 0)));
        const std::optional<ScreenPosition::WindowRects> rects =
            shell.focusedWindow(qint32(QCoreApplication::applicationPid()));
        if (!rects)
            return std::nullopt;
        return ScreenPosition::windowOrigin(*rects, QSizeF(window->size()));
    };
    delegate.desktopSetupHint = [&shell](const L10n& l) {
        return shell.isActive() ? QStringList() : ShellExtensionHint::steps(shell.status(), l);
    };
}

// KDE Plasma with Quillet's script inside KWin: the icon at the field, drawn by KWin, and what KWin
// keeps from Quillet (its keys, the script) said in the settings and the setup.
void useKWin(AppDelegate& delegate, KWinBridge& kwin, DesktopIcon* icon, const KWinFakeInput* keys) {
    AppCoordinator& coordinator = delegate.coordinator();
    kwin.load();
    delegate.windows().overlay.setDesktopIcon(icon);
    coordinator.showsFieldIcon = kwin.isActive();
    QObject::connect(&kwin, &KWinBridge::activeChanged, &coordinator, [&coordinator](bool active) {
        coordinator.showsFieldIcon = active;
        coordinator.reconsiderField();
    });
    // The field's window came to the front or moved: the icon follows.
    QObject::connect(&kwin, &KWinBridge::windowChanged, &coordinator,
                     [&coordinator] { coordinator.reconsiderField(); });
    delegate.accessibility().windowOrigin = [&kwin](QWidget* window) -> std::optional<QPointF> {
        if (!kwin.isActive())
            return QPointF(window->mapToGlobal(QPoint(0, 0)));
        const std::optional<ScreenPosition::WindowRects> rects =
            kwin.focusedWindow(qint32(QCoreApplication::applicationPid()));
        if (!rects)
            return std::nullopt;
        return ScreenPosition::windowOrigin(*rects, QSizeF(window->size()));
    };
    const QString program = QCoreApplication::applicationFilePath();
    auto hint = [&kwin, keys, program](const L10n& l) {
        const KWinKeysHint::Status status{
            keys && keys->isOffered(), KWinFakeInput::entryInstalledFor(program), kwin.isActive(), program};
        return KWinKeysHint::steps(status, l);
    };
    delegate.desktopSetupHint = hint;
    delegate.desktopNote = hint;
}

}  // namespace

void applySessionMode(AppDelegate& delegate, const Platform& platform) {
    if (platform.session != SessionType::wayland)
        return;
    // Qt's X11 tray, tried where the desktop has no tray of its own, connects to a signal only its
    // X11 platform has and says so on standard error at every start.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect.warning=false"));
    AppCoordinator& coordinator = delegate.coordinator();
    coordinator.showsFieldIcon = false;
    coordinator.canPressKeysIn = platform.canPressKeysIn;
    coordinator.desktopNotice = platform.desktopNotice;

    const Desktop desktop =
        SessionTypes::desktop([](const char* name) { return qEnvironmentVariable(name); });
    // KDE's shortcut service takes the combination from the recorder as on X11.
    if (desktop == Desktop::kde) {
        if (platform.kwin)
            useKWin(delegate, *platform.kwin, platform.desktopIcon.get(), platform.kwinFakeInput.get());
        return;
    }
    GnomeShellBridge* shell = platform.gnomeShell;
    if (shell)
        useGnomeShell(delegate, *shell, platform.desktopIcon.get());
    const QString command = CustomShortcutSteps::triggerCommand(
        QCoreApplication::applicationFilePath(), qEnvironmentVariable("PATH").split(QDir::listSeparator()));
    const PortalShortcut* portal = platform.portalShortcut;
    delegate.desktopShortcutSteps = [command, desktop, shell, portal](const L10n& l) {
        // The desktop's portal holds the shortcut: its own settings show and change it.
        if (portal && portal->isBound())
            return QStringList();
        if (desktop == Desktop::gnome) {
            // With the extension the shell holds Quillet's own shortcut: the recorder is back.
            if (shell && shell->isActive())
                return QStringList();
            QStringList steps = shell ? ShellExtensionHint::steps(shell->status(), l) : QStringList();
            return steps << CustomShortcutSteps::gnomeSteps(l, command, Shortcut::defaultShortcut().text());
        }
        return QStringList{l.text(QT_TRANSLATE_NOOP(
                               "Quillet",
                               "This desktop lets no program hold a shortcut of its own. In its keyboard "
                               "settings, bind a key to this command:")),
                           command};
    };
}

}  // namespace quillet
