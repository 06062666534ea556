// The normal launch: wires the tray icon and its menu (or, without a tray, the same commands in the
// settings window), the coordinator, the settings and setup windows, and the requests of later starts.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "app/CoordinatorWindows.h"
#include "app/OwnFieldAccessibility.h"
#include "core/AppCoordinator.h"
#include "core/TrayCommands.h"
#include "platform/InstanceChannel.h"
#include "ui/SettingsView.h"
#include "ui/StatusSection.h"
#include "ui/TrayMenu.h"

class QSystemTrayIcon;

namespace quillet {

class OnboardingWindowController;
class SettingsStore;
class SettingsWindowController;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    /// `settings` and the services must outlive the delegate.
    AppDelegate(SettingsStore& settings, CoordinatorServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    /// Shows the tray icon, lets the coordinator ask for the settings, takes the stored shortcut and
    /// starts the coordinator. Then, for a plain start: opens the settings when the desktop has no
    /// tray, and the setup when the accessibility permission or the API key is missing. A start
    /// made for `firstRequest` carries out that request instead. Called once.
    void start(std::optional<InstanceRequest> firstRequest = std::nullopt);
    /// A later start's request: the settings, the shortcut's action, or the end.
    void handleRequest(InstanceRequest request, std::optional<std::chrono::milliseconds> age = std::nullopt);
    /// Empties `menu` and fills it for the language and the pause state of this moment; the tray
    /// menu runs it each time it is about to open.
    void refreshMenu(TrayMenu& menu);

    /// The tray's commands, and the state the menu and the no-tray section of the settings draw.
    TrayCommands trayCommands();
    /// Shows the settings window, made on first use and the same one ever after.
    void openSettings();
    /// Where the desktop, not this program, holds the shortcut: the steps to bind it there, shown
    /// in the settings in place of the shortcut recorder. Set before the settings first open.
    std::function<QStringList(const L10n& l)> desktopShortcutSteps;
    /// What the desktop lacks for the icon at the field, one paragraph each, shown in the setup's
    /// "Try it now" step; empty when nothing is missing. Set before the setup first opens.
    std::function<QStringList(const L10n& l)> desktopSetupHint;
    /// What the desktop keeps from Quillet (KWin's keys), for the settings' shortcut section.
    std::function<QStringList(const L10n& l)> desktopNote;
    /// Shows the setup window: the one left open or closed before, or a new one after a Finish.
    void openOnboarding();
    void quit();
    /// Makes `shortcut` (empty: none) the global shortcut and stores it; on failure nothing
    /// changes and the reason comes back.
    std::optional<GrabError> changeShortcut(const std::optional<Shortcut>& shortcut);

    /// Whether the desktop shows tray icons now; tests replace it.
    std::function<bool()> trayAvailable;

    AppCoordinator& coordinator() { return *m_coordinator; }
    /// The widgets the coordinator drives.
    CoordinatorWindows& windows() { return m_windows; }
    QSystemTrayIcon* trayIcon() const { return m_trayIcon.get(); }
    TrayMenu* menu() const { return m_menu.get(); }
    SettingsWindowController* settingsWindow() const { return m_settingsWindow.get(); }
    OnboardingWindowController* onboardingWindow() const { return m_onboardingWindow.get(); }
    /// The accessibility layer the coordinator uses: the desktop's, plus the setup's sample field.
    OwnFieldAccessibility& accessibility() { return m_accessibility; }

Q_SIGNALS:
    /// After quit(), once the clipboard is settled: the program may end now.
    void readyToQuit();

private:
    void setupTrayIcon();
    void rebuildMenu();
    /// Carries out the choices of the tray menu or of the section that stands in for it.
    template <typename Choices>
    void carryOut(Choices* choices);
    KeyValidator keyValidator();
    ModelLister modelLister();
    void sampleFieldFocusChanged(bool focused);
    void refreshStatus();

    SettingsStore& m_settings;
    CoordinatorServices m_services;
    OwnFieldAccessibility m_accessibility;
    CoordinatorWindows m_windows;
    std::unique_ptr<AppCoordinator> m_coordinator;
    std::unique_ptr<TrayMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    std::unique_ptr<SettingsWindowController> m_settingsWindow;
    std::unique_ptr<OnboardingWindowController> m_onboardingWindow;
};

}  // namespace quillet
