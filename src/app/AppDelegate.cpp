#include "app/AppDelegate.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSystemTrayIcon>

#include "core/L10n.h"
#include "core/OpenAIClient.h"
#include "core/SettingsStore.h"
#include "platform/Pasteboard.h"
#include "ui/OnboardingWindowController.h"
#include "ui/SettingsWindowController.h"
#include "ui/TrayIcon.h"

namespace quillet {

namespace {

CoordinatorServices withAccessibility(const CoordinatorServices& s, Accessibility& ax) {
    return CoordinatorServices{ax,     s.workspace, s.screens, s.scheduler, s.pasteboard,
                               s.keys, s.hotkey,    s.beep,    s.http,      s.languages};
}

// A menu title shows text as it is: "&" would become a mnemonic, a tab would split the item into
// a title and a shortcut column, and a line break would make a two-line item.
QString menuText(QString text) {
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    for (QChar c : {QChar('\t'), QChar('\n'), QChar('\r'), QChar(QChar::LineSeparator),
                    QChar(QChar::ParagraphSeparator)})
        text.replace(c, QLatin1Char(' '));
    return text;
}

}  // namespace

AppDelegate::AppDelegate(SettingsStore& settings, CoordinatorServices services, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_services(services),
      m_accessibility(services.ax, services.workspace),
      m_coordinator(
          std::make_unique<AppCoordinator>(settings, withAccessibility(services, m_accessibility))) {
    onQuit = [] { QCoreApplication::quit(); };
    QPointer<AppDelegate> self(this);
    m_accessibility.onFocusChanged = [self](bool focused) {
        if (self)
            self->sampleFieldFocusChanged(focused);
    };
}

AppDelegate::~AppDelegate() {
    // The windows go first: closing them may still report the sample field's focus to the coordinator.
    m_onboardingWindow.reset();
    m_settingsWindow.reset();
    m_accessibility.onFocusChanged = nullptr;
    m_accessibility.track(nullptr);
    if (m_statusItem)
        m_statusItem->hide();
}

void AppDelegate::applicationDidFinishLaunching() {
    setupStatusItem();
    QPointer<AppDelegate> self(this);
    m_coordinator->onNeedsSettings = [self] {
        if (self)
            self->openSettings();
    };
    m_coordinator->start();
    if (!m_accessibility.isProcessTrusted()) {
        openOnboarding();
        return;
    }
    // Whether a key is stored comes from the keyring a moment after the start (within a second).
    m_settings.whenKeyPresenceKnown([self] {
        if (self && !self->m_settings.hasAPIKey())
            self->openOnboarding();
    });
}

void AppDelegate::setupStatusItem() {
    if (m_statusItem)
        return;
    m_menu = std::make_unique<QMenu>();
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { menuNeedsUpdate(*m_menu); });
    // Some tray hosts read the menu without announcing that they show it: keep it current as well.
    QPointer<AppDelegate> self(this);
    m_coordinator->onHistoryChanged = [self] {
        if (self)
            self->rebuildMenu();
    };
    connect(&m_settings, &SettingsStore::changed, this, &AppDelegate::rebuildMenu);
    rebuildMenu();

    m_statusItem = std::make_unique<QSystemTrayIcon>(TrayIcon::emblem());
    m_statusItem->setToolTip(QStringLiteral("Quillet"));
    m_statusItem->setContextMenu(m_menu.get());
    // A left click opens the menu too, as people expect of a status item with nothing else to show.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && m_menu && !m_menu->isVisible())
                    m_menu->popup(QCursor::pos());
            });
    // Shown even with no tray on the desktop yet: Qt puts the icon in place once a tray appears.
    m_statusItem->show();
}

void AppDelegate::rebuildMenu() {
    if (m_menu)
        menuNeedsUpdate(*m_menu);
}

void AppDelegate::menuNeedsUpdate(QMenu& menu) {
    // Submenus made at the previous opening belong to the menu, not to its actions.
    for (QMenu* submenu : menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
        menu.removeAction(submenu->menuAction());
        submenu->deleteLater();
    }
    menu.clear();
    const L10n l{m_settings.language()};
    const bool paused = m_coordinator->isPaused();

    QAction* status = menu.addAction(
        paused ? l.text(QStringLiteral("Quillet — paused"), QStringLiteral("Quillet — pauziran"))
               : l.text(QStringLiteral("Quillet — active"), QStringLiteral("Quillet — aktivan")));
    status->setEnabled(false);
    menu.addSeparator();

    if (paused) {
        menu.addAction(l.text(QStringLiteral("Resume"), QStringLiteral("Nastavi")), this,
                       &AppDelegate::resumeNow);
    } else {
        QMenu* pause = menu.addMenu(l.text(QStringLiteral("Pause"), QStringLiteral("Pauziraj")));
        pause->addAction(l.text(QStringLiteral("For 15 minutes"), QStringLiteral("15 minuta")), this,
                         &AppDelegate::pause15);
        pause->addAction(l.text(QStringLiteral("For 1 hour"), QStringLiteral("1 sat")), this,
                         &AppDelegate::pause60);
        pause->addAction(l.text(QStringLiteral("Until restart"), QStringLiteral("Do restarta")), this,
                         &AppDelegate::pauseForever);
    }

    QMenu* history = menu.addMenu(l.text(QStringLiteral("History"), QStringLiteral("Istorija")));
    const QList<HistoryEntry>& entries = m_coordinator->history();
    if (entries.isEmpty()) {
        QAction* none = history->addAction(l.text(QStringLiteral("No corrections this session"),
                                                  QStringLiteral("Nema ispravki u ovoj sesiji")));
        none->setEnabled(false);
    }
    for (int i = 0; i < entries.size(); ++i) {
        QAction* item =
            history->addAction(menuText(entries[i].menuTitle()), this, [this, i] { copyHistoryEntry(i); });
        item->setData(i);
    }
    menu.addSeparator();

    QAction* settings = menu.addAction(l.text(QStringLiteral("Settings…"), QStringLiteral("Podešavanja…")),
                                       this, &AppDelegate::openSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu.addAction(l.text(QStringLiteral("Run setup again…"), QStringLiteral("Podesi ispočetka…")), this,
                   &AppDelegate::openOnboarding);
    menu.addSeparator();
    QAction* quit = menu.addAction(l.text(QStringLiteral("Quit Quillet"), QStringLiteral("Zatvori Quillet")),
                                   this, &AppDelegate::quit);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void AppDelegate::pause15() {
    m_coordinator->pause(shortPause);
}

void AppDelegate::pause60() {
    m_coordinator->pause(longPause);
}

void AppDelegate::pauseForever() {
    m_coordinator->pause(std::nullopt);
}

void AppDelegate::resumeNow() {
    m_coordinator->pausedUntil.reset();
}

void AppDelegate::copyHistoryEntry(int index) {
    const QList<HistoryEntry>& entries = m_coordinator->history();
    if (index < 0 || index >= entries.size())
        return;
    m_services.pasteboard.clear();
    m_services.pasteboard.write(
        {PasteboardItem{{PasteboardType::plainText, entries[index].replacement.toUtf8()}}});
}

void AppDelegate::openSettings() {
    if (!m_settingsWindow) {
        QPointer<AppCoordinator> coordinator(m_coordinator.get());
        auto hotkeyFailure = [coordinator]() -> std::optional<QString> {
            return coordinator ? coordinator->hotkey().registrationError() : std::nullopt;
        };
        m_settingsWindow =
            std::make_unique<SettingsWindowController>(m_settings, keyValidator(), hotkeyFailure);
    }
    m_settingsWindow->present();
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
        m_accessibility.track(view->sampleField());
        connect(view, &OnboardingView::sampleFieldShown, this,
                [this](QPlainTextEdit* field) { m_accessibility.track(field); });
    }
    m_onboardingWindow->present();
}

void AppDelegate::quit() {
    if (onQuit)
        onQuit();
}

KeyValidator AppDelegate::keyValidator() {
    SettingsStore* settings = &m_settings;
    HttpTransport* http = &m_services.http;
    Scheduler* scheduler = &m_services.scheduler;
    LanguageRecognizer* languages = &m_services.languages;
    return [settings, http, scheduler, languages](const QString& key, std::function<void(bool)> done) {
        // The client lives until its answer has been handed on.
        auto client = std::make_shared<OpenAIClient>(key, settings->model(), *http, *scheduler, *languages);
        client->validateKey([client, done = std::move(done)](bool valid) {
            if (done)
                done(valid);
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
