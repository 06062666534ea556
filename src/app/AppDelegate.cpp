// The normal launch: wires the tray icon and its menu (or, without a tray, the same commands in the
// settings window), the coordinator, the settings and setup windows, and the requests of later starts.
#include "app/AppDelegate.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSystemTrayIcon>

#include "app/Platform.h"
#include "core/L10n.h"
#include "core/LaunchPolicy.h"
#include "core/OpenAIClient.h"
#include "core/SettingsStore.h"
#include "platform/Clipboard.h"
#include "platform/Workspace.h"
#include "ui/OnboardingWindowController.h"
#include "ui/SettingsWindowController.h"
#include "ui/StatusSection.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"

namespace quillet {

CoordinatorServices coordinatorServices(Platform& p) {
    return CoordinatorServices{*p.accessibility, *p.workspace, *p.screens,    *p.scheduler,
                               *p.clipboard,     *p.keys,      *p.hotkey,     *p.beep,
                               *p.http,          *p.languages, *p.windowHints};
}

namespace {

CoordinatorServices withAccessibility(const CoordinatorServices& s, Accessibility& ax) {
    return CoordinatorServices{ax,       s.workspace, s.screens, s.scheduler, s.clipboard,  s.keys,
                               s.hotkey, s.beep,      s.http,    s.languages, s.windowHints};
}

}  // namespace

AppDelegate::AppDelegate(SettingsStore& settings, CoordinatorServices services, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_services(services),
      m_accessibility(services.ax, services.workspace),
      m_windows(services),
      m_coordinator(std::make_unique<AppCoordinator>(settings, withAccessibility(services, m_accessibility),
                                                     m_windows.surfaces())) {
    trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    connect(&m_accessibility, &OwnFieldAccessibility::focusChanged, this,
            &AppDelegate::sampleFieldFocusChanged);
}

AppDelegate::~AppDelegate() {
    // The windows go first: closing them may still report the sample field's focus to the coordinator.
    m_onboardingWindow.reset();
    m_settingsWindow.reset();
    disconnect(&m_accessibility, &OwnFieldAccessibility::focusChanged, this, nullptr);
    m_accessibility.track(nullptr);
    if (m_trayIcon)
        m_trayIcon->hide();
}

void AppDelegate::start(std::optional<InstanceRequest> firstRequest) {
    setupTrayIcon();
    QPointer<AppDelegate> self(this);
    connect(m_coordinator.get(), &AppCoordinator::needsSettings, this, &AppDelegate::openSettings);
    // A stored text that names no combination leaves the default in force.
    const QString stored = m_settings.globalShortcut();
    m_coordinator->hotkey().setShortcut(
        stored.isEmpty() ? std::nullopt
                         : std::optional(Shortcut::fromText(stored).value_or(Shortcut::defaultShortcut())));
    m_coordinator->start();
    // Blocking an application, or any other change the icon's rules read, shows at once.
    connect(&m_settings, &SettingsStore::changed, this, [this] { m_coordinator->reconsiderField(); });

    const LaunchPlan plan = LaunchPolicy::plan(firstRequest, trayAvailable && trayAvailable(),
                                               m_accessibility.accessibilityEnabled());
    if (plan.request && plan.requestDeferred) {
        m_services.scheduler.post([self, request = *plan.request] {
            if (self)
                self->handleRequest(request);
        });
    } else if (plan.request) {
        handleRequest(*plan.request);
    }
    if (plan.openSettings)
        openSettings();
    if (plan.openSetup)
        openOnboarding();
    if (plan.setupWithoutKey) {
        // Whether a key is stored comes from the keyring a moment after the start; a slow keyring
        // is waited for.
        m_settings.whenKeyPresenceSettled([self] {
            if (self && self->m_settings.keyMissing())
                self->openOnboarding();
        });
    }
}

void AppDelegate::handleRequest(InstanceRequest request, std::optional<std::chrono::milliseconds> age) {
    switch (request) {
        case InstanceRequest::settings:
            openSettings();
            break;
        case InstanceRequest::trigger: {
            Trigger trigger = TriggerFreshness::madeAgo(age, m_services.scheduler.now());
            trigger.byRequest = true;
            m_coordinator->hotkeyTriggered(trigger);
            break;
        }
        case InstanceRequest::quit:
            quit();
            break;
    }
}

void AppDelegate::setupTrayIcon() {
    if (m_trayIcon)
        return;
    m_menu = std::make_unique<TrayMenu>();
    carryOut(m_menu.get());
    connect(m_menu.get(), &TrayMenu::settingsChosen, this, &AppDelegate::openSettings);
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { refreshMenu(*m_menu); });
    // Some tray hosts read the menu without announcing that they show it: keep it current as well.
    connect(m_coordinator.get(), &AppCoordinator::historyChanged, this, [this] {
        rebuildMenu();
        refreshStatus();
    });
    connect(&m_settings, &SettingsStore::changed, this, &AppDelegate::rebuildMenu);
    rebuildMenu();

    m_trayIcon = std::make_unique<QSystemTrayIcon>(TrayIcon::emblem());
    m_trayIcon->setToolTip(QStringLiteral("Quillet"));
    m_trayIcon->setContextMenu(m_menu.get());
    // A left click opens the menu too, as people expect of a tray icon with nothing else to show.
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && m_menu && !m_menu->isVisible())
                    m_menu->popup(QCursor::pos());
            });
    // Shown even with no tray on the desktop yet: Qt puts the icon in place once a tray appears.
    m_trayIcon->show();
}

void AppDelegate::rebuildMenu() {
    if (m_menu)
        refreshMenu(*m_menu);
}

void AppDelegate::refreshMenu(TrayMenu& menu) {
    menu.fill(trayCommands().state(), L10n{m_settings.language()});
}

std::optional<GrabError> AppDelegate::changeShortcut(const std::optional<Shortcut>& shortcut) {
    if (const std::optional<GrabError> failure = m_coordinator->hotkey().changeShortcut(shortcut))
        return failure;
    m_settings.setGlobalShortcut(shortcut ? shortcut->text() : QString());
    return std::nullopt;
}

void AppDelegate::openSettings() {
    if (!m_settingsWindow) {
        QPointer<AppDelegate> self(this);
        SettingsView::ShortcutControl shortcut;
        shortcut.startupFailure = [self]() -> std::optional<GrabError> {
            return self ? self->m_coordinator->hotkey().registrationError() : std::nullopt;
        };
        shortcut.change = [self](const std::optional<Shortcut>& s) -> std::optional<GrabError> {
            return self ? self->changeShortcut(s) : std::nullopt;
        };
        shortcut.suspend = [self](bool recording) {
            if (self)
                self->m_coordinator->hotkey().setSuspended(recording);
        };
        shortcut.desktopSteps = desktopShortcutSteps;
        shortcut.desktopNote = desktopNote;
        m_settingsWindow = std::make_unique<SettingsWindowController>(m_settings, keyValidator(), shortcut);
        SettingsView* view = m_settingsWindow->view();
        view->setTrayState(trayCommands().state());
        carryOut(view->statusSection());
        Workspace* workspace = &m_services.workspace;
        view->setApplicationDirectory(SettingsView::ApplicationDirectory{
            [workspace](const QString& id) { return workspace->applicationName(id); },
            [workspace] { return workspace->runningApplications(); }});
        view->setModelLister(modelLister());
    }
    // The tray may have come or gone since the window was last shown.
    m_settingsWindow->view()->setTrayMissing(!trayAvailable || !trayAvailable());
    m_settingsWindow->present();
}

TrayCommands AppDelegate::trayCommands() {
    QPointer<AppDelegate> self(this);
    TrayParts parts;
    parts.settings = &m_settings;
    parts.clipboard = &m_services.clipboard;
    parts.history = &m_coordinator->replacements();
    parts.isPaused = [self] { return self && self->m_coordinator->isPaused(); };
    parts.fieldApplication = [self] { return self ? self->m_coordinator->fieldApplication() : std::nullopt; };
    return TrayCommands(std::move(parts));
}

template <typename Choices>
void AppDelegate::carryOut(Choices* choices) {
    connect(choices, &Choices::pauseChosen, this, [this](std::optional<qint64> seconds) {
        m_coordinator->pause(seconds);
        refreshStatus();
    });
    connect(choices, &Choices::resumeChosen, this, [this] {
        m_coordinator->resume();
        // The icon comes back for the field in front without waiting for it to change.
        m_coordinator->reconsiderField();
        refreshStatus();
    });
    connect(choices, &Choices::historyEntryChosen, this,
            [this](int index) { trayCommands().copyHistoryEntry(index); });
    connect(choices, &Choices::blockChosen, this, [this] { trayCommands().blockCandidateApplication(); });
    connect(choices, &Choices::setupChosen, this, &AppDelegate::openOnboarding);
    connect(choices, &Choices::quitChosen, this, &AppDelegate::quit);
}

void AppDelegate::refreshStatus() {
    if (m_settingsWindow)
        m_settingsWindow->view()->refreshStatus();
}

void AppDelegate::openOnboarding() {
    if (!m_onboardingWindow) {
        QPointer<AppDelegate> self(this);
        auto finished = [self] {
            if (self)
                self->m_onboardingWindow.reset();
        };
        m_onboardingWindow = std::make_unique<OnboardingWindowController>(
            m_settings, m_accessibility, m_services.scheduler, keyValidator(), std::move(finished));
        OnboardingView* view = m_onboardingWindow->view();
        view->setDesktopHint(desktopSetupHint);
        m_accessibility.track(view->sampleField());
        connect(view, &OnboardingView::sampleFieldShown, this,
                [this](QPlainTextEdit* field) { m_accessibility.track(field); });
    }
    m_onboardingWindow->present();
}

void AppDelegate::quit() {
    // A paste under way is finished and the user's clipboard given back before the program ends: a
    // clipboard manager then keeps their contents, not the text Quillet lent.
    QPointer<AppDelegate> self(this);
    m_coordinator->textIO().settle(TextIO::settleLimit, [self] {
        if (self)
            Q_EMIT self->readyToQuit();
    });
}

KeyValidator AppDelegate::keyValidator() {
    SettingsStore* settings = &m_settings;
    HttpTransport* http = &m_services.http;
    Scheduler* scheduler = &m_services.scheduler;
    LanguageRecognizer* languages = &m_services.languages;
    return [settings, http, scheduler, languages](const QString& baseURL, const QString& key,
                                                  std::function<void(bool)> done) {
        // The key just saved for this server, which it may have only as the server's rules allow. The
        // client lives until its answer has been handed on.
        const KeyAnswer answer = KeyAnswer::of(key, settings->plainHttpKeyAllowed(baseURL));
        auto client = std::make_shared<OpenAIClient>(
            baseURL, KeySource([answer](const std::function<void(KeyAnswer)>& give) { give(answer); }),
            settings->model(), *http, *scheduler, *languages);
        client->validateKey([client, done = std::move(done)](bool valid) {
            if (done)
                done(valid);
        });
    };
}

ModelLister AppDelegate::modelLister() {
    SettingsStore* settings = &m_settings;
    HttpTransport* http = &m_services.http;
    Scheduler* scheduler = &m_services.scheduler;
    LanguageRecognizer* languages = &m_services.languages;
    return [settings, http, scheduler, languages](std::function<void(QStringList, QString)> done) {
        // The server and key in effect now; the client lives until its answer has been handed on.
        const QString server = settings->apiBaseURL();
        auto client = std::make_shared<OpenAIClient>(server, settings->apiKeySource(server),
                                                     settings->model(), *http, *scheduler, *languages);
        client->listModels([client, done = std::move(done)](Outcome<QStringList> outcome) {
            if (!done)
                return;
            if (auto* names = std::get_if<QStringList>(&outcome))
                done(*names, QString());
            else
                done({}, std::get<OpenAIError>(outcome).message());
        });
    };
}

void AppDelegate::sampleFieldFocusChanged(bool focused) {
    std::optional<FocusedField> field;
    if (focused)
        field = FocusedField::from(m_accessibility, m_services.workspace, m_accessibility.element());
    m_coordinator->monitor().focusChangedInProcess(field);
}

}  // namespace quillet
