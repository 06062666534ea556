// Ties focus tracking, the icon, the requests, the panel and the replacement together.
#include "app/AppCoordinator.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

#include "app/Platform.h"
#include "core/AX.h"
#include "core/ClipboardHandOver.h"
#include "core/KeyRequirement.h"
#include "core/OpenAIClient.h"
#include "core/PartialReplacement.h"
#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/Beep.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "ui/FloatingPanel.h"
#include "ui/KeyablePanel.h"
#include "ui/SuggestionPanelController.h"
#include "ui/ToastView.h"

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
    return CoordinatorServices{*p.accessibility, *p.workspace, *p.screens,    *p.scheduler,
                               *p.pasteboard,    *p.keys,      *p.hotkey,     *p.beep,
                               *p.http,          *p.languages, *p.windowHints};
}

AppCoordinator::AppCoordinator(SettingsStore& settings, CoordinatorServices services, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_services(services),
      m_monitor(services.ax, services.workspace, services.screens, services.scheduler),
      m_overlay(services.windowHints),
      m_textIO(services.ax, services.pasteboard, services.keys, services.workspace, services.scheduler),
      m_hotkey(services.hotkey),
      m_toast(services.scheduler, services.screens, services.windowHints),
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
    if (!showsFieldIcon) {
        m_overlay.hide();
        return;
    }
    Accessibility& ax = m_services.ax;
    if (!field || isPaused() || field->isSecure(ax) ||
        (field->bundleID && m_settings.blocklist().contains(*field->bundleID))) {
        m_overlay.hide();
        return;
    }
    // The monitor has just read the text of the field it follows; only another field is read here.
    std::optional<int> words = m_monitor.current() && m_monitor.current()->element == field->element
                                   ? m_monitor.currentWordCount()
                                   : std::nullopt;
    if (!words)
        words = FocusedField::countWords(
            AX::attribute<QString>(ax, field->element, AXAttr::value).value_or(QString()));
    if (*words < m_settings.minWordCount()) {
        m_overlay.hide();
        return;
    }
    const std::optional<Rect> frame = AX::screenFrame(ax, m_services.screens, field->element);
    if (!frame) {
        m_overlay.hide();
        return;
    }
    m_overlay.setState(KeyRequirement::isSatisfied(m_settings.hasAPIKey(), m_settings.apiBaseURL())
                           ? IconState::ready
                           : IconState::error);
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
    OpenAIClient client(m_settings.apiBaseURL(), m_settings.apiKeySource(), m_settings.model(),
                        m_services.http, m_services.scheduler, m_services.languages);
    return std::make_shared<SuggestionViewModel>(text, std::move(client), m_settings.customActions());
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
    if (!KeyRequirement::isSatisfied(m_settings.hasAPIKey(), m_settings.apiBaseURL())) {
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
    // Unknown when the field cannot be read: Undo then takes back only what was pasted. The whole
    // text read just now is not read twice.
    const std::optional<QString> originalFullValue =
        selectionOnly ? AX::attribute<QString>(ax, field->element, AXAttr::value)
                      : std::optional<QString>(text);
    // Where the text starts in the field, for a text too long to be checked whole.
    qint64 location = 0;
    if (selectionOnly) {
        const std::optional<AXTextRange> range =
            AX::attribute<AXTextRange>(ax, field->element, AXAttr::selectedTextRange);
        location = range ? range->location : -1;
    }

    auto viewModel = makeViewModel(text);
    QPointer<AppCoordinator> self(this);
    viewModel->onReplace = [self, field = *field, selectionOnly, originalFullValue, text,
                            location](const QString& chosen) {
        if (self)
            self->performReplace(field, chosen, selectionOnly, originalFullValue, text, location);
    };
    Rect anchor;
    if (const std::optional<Rect> icon = m_overlay.iconFrame()) {
        anchor = *icon;
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
    m_suggestionController.reset(new SuggestionPanelController(viewModel, m_services.pasteboard,
                                                               m_services.screens, m_services.windowHints));
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
                                    const QString& originalShown, qint64 location) {
    if (!canPressKeysFor(field)) {
        // That road writes the whole text it was given: what followed the cut goes with it.
        replaceWithoutKeys(field, PartialReplacement::of(originalShown).joined(newText), selectionOnly,
                           originalFullValue, originalShown);
        return;
    }
    closeSuggestions();
    QPointer<AppCoordinator> self(this);
    // The notice and the history wait until the field reads back with the text, or, where it cannot
    // be read, until the paste was sent.
    std::function<void(const TextIO::Outcome&)> done = [self, field, newText, originalFullValue,
                                                        originalShown](const TextIO::Outcome& outcome) {
        if (!self)
            return;
        if (!outcome.strategy) {
            self->reportFailedWrite();
            return;
        }
        self->recordReplacement(field, newText, originalFullValue, originalShown);
    };
    // Only the part that was checked is replaced; what followed the cut was never seen by the model.
    const PartialReplacement part = PartialReplacement::of(originalShown);
    if (part.isPartial()) {
        m_textIO.replaceRange(field, part, location, newText, std::move(done));
    } else {
        m_textIO.replace(field, newText, selectionOnly, std::move(done));
    }
}

void AppCoordinator::recordReplacement(const FocusedField& field, const QString& newText,
                                       const std::optional<QString>& originalFullValue,
                                       const QString& originalShown) {
    HistoryEntry::insert(m_history, HistoryEntry{QUuid::createUuid(), originalShown, newText,
                                                 applicationName(field), now().toLocalTime()});
    if (onHistoryChanged)
        onHistoryChanged();

    QPointer<AppCoordinator> self(this);
    const std::function<void()> undo = [self, field, newText, originalFullValue, originalShown] {
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
    };
    const L10n l = L10n::current();
    if (desktopNotice && desktopNotice(l.text(QStringLiteral("Replaced"), QStringLiteral("Zamenjeno")),
                                       l.text(QStringLiteral("Undo"), QStringLiteral("Vrati")), undo))
        return;
    m_toast.show(AX::screenFrame(m_services.ax, m_services.screens, field.element), undo);
}

void AppCoordinator::reportFailedWrite() {
    m_overlay.setState(IconState::error);
    m_services.beep.beep();
}

void AppCoordinator::replaceWithoutKeys(const FocusedField& field, const QString& newText, bool selectionOnly,
                                        const std::optional<QString>& originalFullValue,
                                        const QString& originalShown) {
    // The panel stays until the field has read back: a Wayland desktop lets a program set the
    // clipboard only while one of its windows has the keyboard, and a text the field did not take
    // goes there. Its buttons and keys do nothing meanwhile.
    if (m_suggestionController && m_suggestionController->panel())
        m_suggestionController->panel()->setEnabled(false);
    QPointer<AppCoordinator> self(this);
    m_textIO.replace(
        field, newText, selectionOnly,
        [self, field, newText, originalFullValue, originalShown](const TextIO::Outcome& outcome) {
            if (!self)
                return;
            if (!outcome.strategy) {
                self->handOver(field, newText);
                self->closeSuggestions();
                return;
            }
            self->closeSuggestions();
            self->recordReplacement(field, newText, originalFullValue, originalShown);
        });
}

bool AppCoordinator::canPressKeysFor(const FocusedField& field) const {
    return !canPressKeysIn || canPressKeysIn(field.pid);
}

void AppCoordinator::handOver(const FocusedField& field, const QString& text) {
    // A password field that has the keyboard now, wherever it is, keeps the text off the clipboard.
    const bool secure = field.isSecure(m_services.ax) || m_services.ax.isSecureEventInputEnabled();
    if (ClipboardHandOver::road(secure, false) != ClipboardHandOver::Road::copy) {
        reportFailedWrite();
        return;
    }
    ClipboardHandOver::copy(m_services.pasteboard, text);
    // The notice offers no Undo: nothing in the field has changed.
    if (desktopNotice && desktopNotice(ClipboardHandOver::notice(L10n::current()), QString(), {}))
        return;
    m_toast.show(std::nullopt, [] {});
    if (ToastView* view = m_toast.view()) {
        view->messageLabel()->setText(ClipboardHandOver::notice(L10n::current()));
        view->undoButton()->hide();
    }
}

bool AppCoordinator::waitForKeyPresence(void (AppCoordinator::*retry)()) {
    // Right after the start the keyring may not have said yet whether a key is stored (it has a
    // second at most): the request goes on once it has.
    if (m_settings.keyPresenceKnown() || !KeyRequirement::isRequired(m_settings.apiBaseURL()))
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
    // A program of several processes (a browser's content process holds the field) is named by the
    // first of them the workspace lists under the field's identifier.
    // The field's own process comes last: the list leaves this program out (the setup's sample field).
    QList<RunningApplication> running = m_services.workspace.runningApplications();
    if (const std::optional<RunningApplication> own = m_services.workspace.runningApplication(field.pid))
        running << *own;
    const auto app = std::find_if(running.begin(), running.end(), [&field](const RunningApplication& a) {
        return a.bundleIdentifier == field.bundleID;
    });
    if (app == running.end() || !app->localizedName || app->localizedName->isEmpty())
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
    if (!KeyRequirement::isSatisfied(m_settings.hasAPIKey(), m_settings.apiBaseURL())) {
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
        viewModel->onReplace = [self, original, sourcePid](const QString& checked) {
            if (!self)
                return;
            // The paste replaces the whole selection: what followed the cut goes back in with it.
            const QString chosen = PartialReplacement::of(original).joined(checked);
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
