// The normal launch: the tray icon and its menu, the coordinator, and the settings and setup windows.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "app/AppCoordinator.h"
#include "app/OwnFieldAccessibility.h"
#include "ui/SettingsView.h"

class QMenu;
class QSystemTrayIcon;

namespace quillet {

class OnboardingWindowController;
class SettingsStore;
class SettingsWindowController;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 shortPause = 900;
    static constexpr qint64 longPause = 3600;

    /// `settings` and the services must outlive the delegate.
    AppDelegate(SettingsStore& settings, CoordinatorServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    /// Shows the tray icon, lets the coordinator ask for the settings, starts it, and opens the setup
    /// when the accessibility permission or the API key is missing. Called once.
    void applicationDidFinishLaunching();
    /// Empties `menu` and fills it for the language and the pause state of this moment; the tray
    /// menu runs it each time it is about to open.
    void menuNeedsUpdate(QMenu& menu);

    // The menu's commands.
    void pause15();
    void pause60();
    void pauseForever();
    void resumeNow();
    /// Puts the replacement of the history entry at `index` on the clipboard; out of range does nothing.
    void copyHistoryEntry(int index);
    /// Shows the settings window, made on first use and the same one ever after.
    void openSettings();
    /// Shows the setup window: the one left open or closed before, or a new one after a Finish.
    void openOnboarding();
    void quit();

    /// Ends the program; tests replace it.
    std::function<void()> onQuit;

    AppCoordinator& coordinator() { return *m_coordinator; }
    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    QMenu* menu() const { return m_menu.get(); }
    SettingsWindowController* settingsWindow() const { return m_settingsWindow.get(); }
    OnboardingWindowController* onboardingWindow() const { return m_onboardingWindow.get(); }
    /// The accessibility layer the coordinator uses: the desktop's, plus the setup's sample field.
    OwnFieldAccessibility& accessibility() { return m_accessibility; }

private:
    void setupStatusItem();
    void rebuildMenu();
    KeyValidator keyValidator();
    void sampleFieldFocusChanged(bool focused);

    SettingsStore& m_settings;
    CoordinatorServices m_services;
    OwnFieldAccessibility m_accessibility;
    std::unique_ptr<AppCoordinator> m_coordinator;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<SettingsWindowController> m_settingsWindow;
    std::unique_ptr<OnboardingWindowController> m_onboardingWindow;
};

}  // namespace quillet
