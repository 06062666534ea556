// Ties focus tracking, the icon, the requests, the panel and the replacement together.
#include "app/AppCoordinator.h"

#include <QPointer>

#include "app/Platform.h"
#include "core/AX.h"
#include "core/OpenAIClient.h"
#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/Beep.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "ui/FloatingPanel.h"
#include "ui/KeyablePanel.h"
#include "ui/SuggestionPanelController.h"

namespace quillet {

namespace {
void deleteLaterController(SuggestionPanelController* controller) {
    // A controller is often dropped from inside one of its own button handlers. Its requests stop now.
    if (controller) {
        controller->viewModel()->cancel();
        controller->deleteLater();
    }
}

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}
}  // namespace

CoordinatorServices CoordinatorServices::from(Platform& p) {
    return CoordinatorServices{*p.accessibility, *p.workspace, *p.screens, *p.scheduler, *p.pasteboard,
                               *p.keys,          *p.hotkey,    *p.beep,    *p.http,      *p.languages};
}

AppCoordinator::AppCoordinator(SettingsStore& settings, CoordinatorServices services, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_services(services),
      m_monitor(services.ax, services.workspace, services.screens, services.scheduler),
      m_textIO(services.ax, services.pasteboard, services.keys, services.workspace, services.scheduler),
      m_hotkey(services.hotkey),
      m_toast(services.scheduler, services.screens),
      m_suggestionController(nullptr, &deleteLaterController) {}

AppCoordinator::~AppCoordinator() {
    if (m_trustPollTimer)
        m_services.scheduler.cancel(*m_trustPollTimer);
}

void AppCoordinator::start() {
    QPointer<AppCoordinator> self(this);
    m_monitor.onFocusChanged = [self](const std::optional<FocusedField>& field) {
        if (self)
            self->handleFocus(field);
    };
    m_monitor.onFieldUpdated = [self](const FocusedField& field) {
        if (self)
            self->handleFocus(field);
    };
    m_overlay.onClick = [self] {
        if (self)
            self->presentSuggestions();
    };
    m_hotkey.onHotkey = [self] {
        if (self)
            self->hotkeyTriggered();
    };
    // The hotkey works before the permission: without it, it takes the clipboard path.
    m_hotkey.registerHotkey();
    startMonitorWhenTrusted();
}

void AppCoordinator::startMonitorWhenTrusted() {
    if (m_services.ax.isProcessTrusted()) {
        m_monitor.start();
        return;
    }
    QPointer<AppCoordinator> self(this);
    m_trustPollTimer = m_services.scheduler.every(trustPollInterval, [self] {
        if (!self || !self->m_services.ax.isProcessTrusted())
            return;
        self->m_services.scheduler.cancel(*self->m_trustPollTimer);
        self->m_trustPollTimer.reset();
        self->m_monitor.start();
    });
}

void AppCoordinator::resume() {
    m_pausedUntil.reset();
}

bool AppCoordinator::isPaused() const {
    return m_pausedUntil && *m_pausedUntil > now();
}

void AppCoordinator::pause(std::optional<qint64> seconds) {
    // "Until restart" is a date no run will reach.
    m_pausedUntil = seconds ? now().addSecs(*seconds) : QDateTime(QDate(4001, 1, 1), QTime(0, 0), Qt::UTC);
    m_overlay.hide();
}

void AppCoordinator::handleFocus(const std::optional<FocusedField>& field) {
    m_currentField = field;
    if (field && field->pid != m_services.workspace.ownPid())
        m_lastOtherField = field;
    if (m_suggestionController)
        return;
    Accessibility& ax = m_services.ax;
    if (!field || isPaused() || field->isSecure(ax) ||
        (field->bundleID && m_settings.blocklist().contains(*field->bundleID))) {
        m_overlay.hide();
        return;
    }
    const QString value = AX::attribute<QString>(ax, field->element, AXAttr::value).value_or(QString());
    if (FocusedField::countWords(value) < m_settings.minWordCount()) {
        m_overlay.hide();
        return;
    }
    const std::optional<Rect> frame = AX::screenFrame(ax, m_services.screens, field->element);
    if (!frame) {
        m_overlay.hide();
        return;
    }
    m_overlay.setState(m_settings.hasAPIKey() ? IconState::ready : IconState::error);
    m_overlay.show(*frame);
}

std::optional<FocusedField> AppCoordinator::focusedFieldNow() {
    const std::optional<AXElement> focused =
        AX::elementAttribute(m_services.ax, m_monitor.systemWide(), AXAttr::focusedUIElement);
    if (!focused)
        return std::nullopt;
    return FocusedField::from(m_services.ax, m_services.workspace, *focused);
}

std::shared_ptr<SuggestionViewModel> AppCoordinator::makeViewModel(const QString& text) {
    // The key is read from the keyring only when the requests go out, never here.
    OpenAIClient client(m_settings.apiKeySource(), m_settings.model(), m_services.http, m_services.scheduler,
                        m_services.languages);
    return std::make_shared<SuggestionViewModel>(text, std::move(client));
}

void AppCoordinator::releaseController() {
    m_suggestionController.reset();
}

void AppCoordinator::presentSuggestions() {
    if (m_suggestionController)
        return;
    if (waitForKeyPresence(&AppCoordinator::presentSuggestions))
        return;
    Accessibility& ax = m_services.ax;
    std::optional<FocusedField> field = m_currentField ? m_currentField : focusedFieldNow();
    // A password field's text is never read, let alone sent.
    if (!field || field->isSecure(ax)) {
        m_services.beep.beep();
        return;
    }
    if (!m_settings.hasAPIKey()) {
        if (onNeedsSettings)
            onNeedsSettings();
        return;
    }
    const std::optional<QString> selection = field->selectedText(ax);
    const bool selectionOnly = selection.has_value();
    const QString text = selectionOnly
                             ? *selection
                             : AX::attribute<QString>(ax, field->element, AXAttr::value).value_or(QString());
    if (isBlank(text)) {
        m_services.beep.beep();
        return;
    }
    // Unknown when the field cannot be read: Undo then takes back only what was pasted.
    const std::optional<QString> originalFullValue =
        AX::attribute<QString>(ax, field->element, AXAttr::value);

    auto viewModel = makeViewModel(text);
    QPointer<AppCoordinator> self(this);
    viewModel->onReplace = [self, field = *field, selectionOnly, originalFullValue,
                            text](const QString& chosen) {
        if (self)
            self->performReplace(field, chosen, selectionOnly, originalFullValue, text);
    };
    Rect anchor;
    if (m_overlay.isVisible() && m_overlay.panel()) {
        anchor = m_overlay.panel()->screenFrame();
    } else if (const std::optional<Rect> frame = AX::screenFrame(ax, m_services.screens, field->element)) {
        anchor = *frame;
    } else {
        const std::optional<ScreenInfo> main = m_services.screens.mainScreen();
        const Rect screen = main ? main->frame : Rect();
        anchor = Rect(midX(screen), midY(screen), 0, 0);
    }
    openPanel(viewModel, anchor, true);
}

void AppCoordinator::openPanel(std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor, bool forField) {
    QPointer<AppCoordinator> self(this);
    viewModel->onCloseRequested = [self] {
        if (self)
            self->closeSuggestions();
    };
    // A panel already open would otherwise stay on screen, orphaned, with live buttons.
    if (m_suggestionController && m_suggestionController->panel())
        m_suggestionController->panel()->hide();
    m_suggestionController.reset(
        new SuggestionPanelController(viewModel, m_services.pasteboard, m_services.screens));
    if (forField) {
        // The panel takes the focus; its field must stay the current one meanwhile.
        m_monitor.suspendFocusTracking = true;
        m_overlay.setState(IconState::loading);
    }
    m_suggestionController->onClose = [self, forField] {
        if (!self)
            return;
        self->releaseController();
        if (forField)
            self->m_monitor.suspendFocusTracking = false;
    };
    m_suggestionController->show(anchor);
    viewModel->loadAll();
}

void AppCoordinator::performReplace(const FocusedField& field, const QString& newText, bool selectionOnly,
                                    const std::optional<QString>& originalFullValue,
                                    const QString& originalShown) {
    closeSuggestions();
    QPointer<AppCoordinator> self(this);
    // The notice and the history wait until the field reads back with the text, or, where it cannot
    // be read, until the paste was sent.
    m_textIO.replace(
        field, newText, selectionOnly,
        [self, field, newText, originalFullValue, originalShown](const TextIO::Outcome& outcome) {
            if (!self)
                return;
            if (!outcome.strategy) {
                self->reportFailedWrite();
                return;
            }
            self->recordReplacement(field, newText, originalFullValue, originalShown);
        });
}

void AppCoordinator::recordReplacement(const FocusedField& field, const QString& newText,
                                       const std::optional<QString>& originalFullValue,
                                       const QString& originalShown) {
    HistoryEntry::insert(m_history, HistoryEntry{QUuid::createUuid(), originalShown, newText,
                                                 applicationName(field), now().toLocalTime()});
    if (onHistoryChanged)
        onHistoryChanged();

    QPointer<AppCoordinator> self(this);
    m_toast.show(AX::screenFrame(m_services.ax, m_services.screens, field.element),
                 [self, field, newText, originalFullValue, originalShown] {
                     if (!self)
                         return;
                     auto reportFailure = [self](bool done) {
                         if (self && !done)
                             self->reportFailedWrite();
                     };
                     // The whole value read when the panel opened goes back, whichever road the
                     // replacement took: every road of a whole-value write replaces all of it.
                     if (originalFullValue) {
                         self->m_textIO.replace(field, *originalFullValue, false,
                                                [reportFailure](const TextIO::Outcome& outcome) {
                                                    reportFailure(outcome.strategy.has_value());
                                                });
                     } else {
                         self->m_textIO.undoPaste(field.pid, newText, originalShown, reportFailure);
                     }
                 });
}

void AppCoordinator::reportFailedWrite() {
    m_overlay.setState(IconState::error);
    m_services.beep.beep();
}

bool AppCoordinator::waitForKeyPresence(void (AppCoordinator::*retry)()) {
    // Right after the start the keyring may not have said yet whether a key is stored (it has a
    // second at most): the request goes on once it has.
    if (m_settings.keyPresenceKnown())
        return false;
    QPointer<AppCoordinator> self(this);
    m_settings.whenKeyPresenceKnown([self, retry] {
        if (self)
            (self.data()->*retry)();
    });
    return true;
}

QString AppCoordinator::applicationName(const FocusedField& field) {
    if (!field.bundleID)
        return HistoryEntry::unknownApplication;
    const std::optional<RunningApplication> app = m_services.workspace.runningApplication(field.pid);
    if (!app || app->bundleIdentifier != field.bundleID || !app->localizedName ||
        app->localizedName->isEmpty())
        return HistoryEntry::unknownApplication;
    return *app->localizedName;
}

void AppCoordinator::closeSuggestions() {
    if (m_suggestionController) {
        if (KeyablePanel* panel = m_suggestionController->panel())
            panel->hide();
        if (m_suggestionController && m_suggestionController->onClose)
            m_suggestionController->onClose();
    }
    releaseController();
    m_monitor.suspendFocusTracking = false;
    m_overlay.setState(IconState::ready);
}

void AppCoordinator::hotkeyTriggered() {
    if (waitForKeyPresence(&AppCoordinator::hotkeyTriggered))
        return;
    if (m_currentField) {
        presentSuggestions();
        return;
    }
    if (std::optional<FocusedField> field = focusedFieldNow()) {
        m_currentField = field;
        presentSuggestions();
        return;
    }
    if (!m_settings.hasAPIKey()) {
        if (onNeedsSettings)
            onNeedsSettings();
        return;
    }
    // The panel takes the keyboard, so the paste must first give it back to where the text came from.
    const std::optional<RunningApplication> source = m_services.workspace.frontmostApplication();
    const qint32 sourcePid = source && source->pid != m_services.workspace.ownPid() ? source->pid : 0;
    QPointer<AppCoordinator> self(this);
    m_textIO.copyFocusedSelection([self, sourcePid](std::optional<QString> copied) {
        if (!self)
            return;
        if (!copied || isBlank(*copied)) {
            self->m_services.beep.beep();
            return;
        }
        const QString original = *copied;
        auto viewModel = self->makeViewModel(original);
        viewModel->onReplace = [self, original, sourcePid](const QString& chosen) {
            if (!self)
                return;
            // The paste goes over the selection that was copied, so the notice comes once it is
            // sent; Undo selects the pasted text back before the original goes over it.
            self->m_textIO.pasteReplacement(
                chosen, sourcePid, [self, original, chosen, sourcePid](bool sent) {
                    if (!self)
                        return;
                    if (!sent) {
                        self->m_services.beep.beep();
                        return;
                    }
                    self->m_toast.show(std::nullopt, [self, original, chosen, sourcePid] {
                        if (!self)
                            return;
                        self->m_textIO.undoPaste(sourcePid, chosen, original, [self](bool done) {
                            if (self && !done)
                                self->m_services.beep.beep();
                        });
                    });
                });
            self->closeSuggestions();
        };
        const std::optional<ScreenInfo> main = self->m_services.screens.mainScreen();
        const Rect visible = main ? main->visibleFrame : Rect();
        self->openPanel(viewModel, Rect(midX(visible) + 190, midY(visible) + 150, 0, 0), false);
    });
}

void AppCoordinator::reconsiderField() {
    handleFocus(m_currentField);
}

std::optional<RunningApplication> AppCoordinator::fieldApplication() {
    const qint32 own = m_services.workspace.ownPid();
    const std::optional<FocusedField>& field =
        m_currentField && m_currentField->pid != own ? m_currentField : m_lastOtherField;
    if (!field || !field->bundleID)
        return std::nullopt;
    RunningApplication app{field->pid, field->bundleID, std::nullopt};
    const std::optional<RunningApplication> running = m_services.workspace.runningApplication(field->pid);
    if (running && running->bundleIdentifier == field->bundleID)
        app.localizedName = running->localizedName;
    if (!app.localizedName || app.localizedName->isEmpty())
        app.localizedName = m_services.workspace.applicationName(*field->bundleID);
    return app;
}

}  // namespace quillet
