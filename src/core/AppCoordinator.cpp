// Ties focus tracking, the icon, the requests, the panel and the replacement together.
#include "core/AppCoordinator.h"

#include <QPointer>
#include <algorithm>

#include "core/IconRule.h"
#include "core/KeyRequirement.h"
#include "core/L10n.h"
#include "core/LineEnds.h"
#include "core/OpenAIClient.h"
#include "core/OwnWindows.h"
#include "core/SettingsStore.h"
#include "core/ShortcutField.h"
#include "core/SuggestionViewModel.h"
#include "core/WriteRefusal.h"
#include "platform/Accessibility.h"
#include "platform/Beep.h"
#include "platform/Screens.h"
#include "platform/WindowHints.h"
#include "platform/Workspace.h"

namespace quillet {

AppCoordinator::AppCoordinator(SettingsStore& settings, CoordinatorServices services,
                               CoordinatorSurfaces surfaces, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_services(services),
      m_icon(surfaces.icon),
      m_toast(surfaces.toast),
      m_panels(surfaces.panels),
      m_monitor(services.ax, services.workspace, services.scheduler),
      m_textIO(services.ax, services.clipboard, services.keys, services.workspace, services.scheduler),
      m_hotkey(services.hotkey),
      m_writeBack(services.ax, services.workspace, services.clipboard, services.beep, m_textIO, m_history),
      m_clipboardShortcut(services.workspace, services.screens, services.beep, m_textIO),
      m_grant(services.keys, m_textIO) {
    wireWrites();
}

AppCoordinator::~AppCoordinator() {
    if (m_trustPollTimer)
        m_services.scheduler.cancel(*m_trustPollTimer);
    if (m_spareTimer)
        m_services.scheduler.cancel(*m_spareTimer);
}

void AppCoordinator::start() {
    connect(&m_monitor, &AXMonitor::focusChanged, this,
            [this](const std::optional<FocusedField>& field) { handleFocus(field); });
    connect(&m_monitor, &AXMonitor::fieldUpdated, this,
            [this](const FocusedField& field) { handleFocus(field); });
    QPointer<AppCoordinator> self(this);
    m_monitor.holdWhile = [self] { return self && self->m_textIO.lendsClipboard(); };
    connect(&m_icon, &FieldIcon::clicked, this,
            [this] { presentSuggestions(triggerAt(m_icon.lastClickTime(), m_iconField)); });
    connect(&m_hotkey, &HotkeyManager::triggered, this,
            [this] { hotkeyTriggered(triggerAt(m_services.hotkey.lastPressTime())); });
    // The hotkey works before the permission: without it, it takes the clipboard path.
    m_hotkey.registerHotkey();
    startMonitorWhenAccessible();
    prepareSparePanelSoon();
}

void AppCoordinator::startMonitorWhenAccessible() {
    if (m_services.ax.accessibilityEnabled()) {
        m_monitor.start();
        return;
    }
    QPointer<AppCoordinator> self(this);
    m_trustPollTimer = m_services.scheduler.every(trustPollInterval, [self] {
        if (!self || !self->m_services.ax.accessibilityEnabled())
            return;
        self->m_services.scheduler.cancel(*self->m_trustPollTimer);
        self->m_trustPollTimer.reset();
        self->m_monitor.start();
    });
}

void AppCoordinator::pause(std::optional<qint64> seconds) {
    m_pause.start(seconds, now());
    m_icon.hide();
}

IconRule::Conditions AppCoordinator::iconConditions() const {
    return IconRule::Conditions{isPaused(), m_settings.blocklist(), m_settings.minWordCount()};
}

void AppCoordinator::handleFocus(const std::optional<FocusedField>& field) {
    m_currentField = field;
    if (field && field->pid != m_services.workspace.ownPid())
        m_lastOtherField = field;
    if (m_panel)
        return;
    m_iconField = Accessible();
    if (!showsFieldIcon) {
        m_icon.hide();
        return;
    }
    Accessibility& ax = m_services.ax;
    const bool shows = IconRule::shows(ax, field, iconConditions(), [&] {
        // The monitor has just read the text of the field it follows; only another field is read here.
        if (m_monitor.current() && m_monitor.current()->element == field->element)
            if (const std::optional<int> words = m_monitor.currentWordCount())
                return *words;
        return FocusedField::countWords(ax.text(field->element).value_or(QString()));
    });
    if (!shows) {
        m_icon.hide();
        return;
    }
    // The frame the monitor watches for changes: a second reading here that failed would hide the
    // icon until the field moved.
    const bool followed = m_monitor.current() && m_monitor.current()->element == field->element;
    const std::optional<Rect> frame = followed ? m_monitor.currentFrame() : ax.frame(field->element);
    if (!frame) {
        m_icon.hide();
        return;
    }
    // A keyring that does not answer is no missing key: a click still opens the panel, which says so.
    m_icon.setState(m_settings.keyMissing() ? IconState::error : IconState::ready);
    // The icon goes on the part of the field its window shows.
    m_icon.show(*frame, m_services.workspace.windowFrame(field->applicationPid()),
                m_services.screens.screens());
    m_iconField = field->element;
}

std::optional<FocusedField> AppCoordinator::focusedFieldNow() {
    const std::optional<Accessible> focused = m_services.ax.focusedElement();
    if (!focused)
        return std::nullopt;
    return FocusedField::from(m_services.ax, m_services.workspace, *focused);
}

std::shared_ptr<SuggestionViewModel> AppCoordinator::makeViewModel(const QString& text) {
    // The key is read from the keyring only when the requests go out, never here: the key of this
    // server, whatever the settings say by then.
    const QString server = m_settings.apiBaseURL();
    OpenAIClient client(server, m_settings.apiKeySource(server), m_settings.model(), m_services.http,
                        m_services.scheduler, m_services.languages);
    // The model reads line feeds; the breaks the field gave go back with the chosen text.
    auto viewModel = std::make_shared<SuggestionViewModel>(LineEnds::toLineFeeds(text), std::move(client),
                                                           m_settings.customActions());
    // Connected first, so that the write grant is taken before the chosen text goes anywhere.
    connect(viewModel.get(), &SuggestionViewModel::replaceRequested, this,
            [chosen = m_grant.chosenFirst(std::function<void()>())] { chosen(); });
    return viewModel;
}

void AppCoordinator::releaseController() {
    m_panel.reset();
    prepareSparePanelSoon();
}

void AppCoordinator::prepareSparePanelSoon() {
    if (m_spareTimer || m_panels.hasSpare())
        return;
    QPointer<AppCoordinator> self(this);
    m_spareTimer = m_services.scheduler.after(sparePanelDelay, [self] {
        if (!self)
            return;
        self->m_spareTimer.reset();
        // Not while a panel is open: its answers are being drawn. Its closing asks again.
        if (self->m_panels.hasSpare() || self->m_panel)
            return;
        self->m_panels.prepareSpare();
    });
}

Trigger AppCoordinator::triggerAt(quint64 timestamp, Accessible field) {
    Trigger trigger =
        TriggerFreshness::madeAgo(timestamp != 0 && inputEventAge ? inputEventAge(timestamp) : std::nullopt,
                                  m_services.scheduler.now());
    trigger.field = std::move(field);
    return trigger;
}

bool AppCoordinator::isStillTheField(const FocusedField& field, const Trigger& trigger, bool justRead) {
    // A field read just now has the keyboard: that is not asked a second time.
    return FieldRequest::isStillTheField(m_services.workspace, field, trigger, [&] {
        return justRead ? std::optional<FocusedField>(field) : focusedFieldNow();
    });
}

void AppCoordinator::presentSuggestions(const Trigger& trigger) {
    if (m_panel)
        return;
    // A request that waited (the program was stopped, or the machine busy) is dropped: the user has
    // moved on since. They hear and see that it was, so a press is never lost without a word.
    if (!TriggerFreshness::isFresh(trigger, m_services.scheduler.now())) {
        say(TriggerFreshness::droppedNotice(L10n::current()));
        return;
    }
    if (!OwnWindows::allowRequest(m_services.workspace, m_currentField))
        return;
    const Trigger held{std::nullopt, trigger.field};
    if (waitForKeyPresence([held](AppCoordinator& c) { c.presentSuggestions(held); }))
        return;
    const bool readNow = !m_currentField;
    std::optional<FocusedField> field = readNow ? focusedFieldNow() : m_currentField;
    // A password field's text is never read, let alone sent.
    if (!field || field->isSecure(m_services.ax)) {
        m_services.beep.beep();
        return;
    }
    showSparePanelAhead(*field);
    if (isStillTheField(*field, trigger, readNow))
        presentFor(*field);
    // A request that did not go ahead leaves no window behind: the panel waits for the next one.
    m_panels.hideSpare();
}

void AppCoordinator::showSparePanelAhead(const FocusedField& field) {
    // The window manager takes a few milliseconds to put a window on screen: the panel goes up
    // beside the icon now, and the field is checked and read meanwhile. It takes the keyboard only
    // once the request goes ahead.
    const std::optional<Rect> icon = m_icon.iconFrame();
    if (!icon || !m_panels.hasSpare() || !m_services.windowHints.keepsKeyboardOnShow() ||
        m_settings.keyMissing())
        return;
    // A window of ours going up takes the front from the field's application, and some (Gecko's)
    // then say nothing is selected: with a selection the panel goes up only once it is read.
    if (field.mayHoldSelection(m_services.ax))
        return;
    m_panels.showSpareAhead(*icon);
}

void AppCoordinator::presentFor(const FocusedField& field, int retry) {
    if (m_settings.keyMissing()) {
        emit needsSettings();
        return;
    }
    FieldRequest::NoRequest why = FieldRequest::NoRequest::blank;
    const auto request = FieldRequest::read(m_services.ax, m_services.workspace, field, &why);
    const auto again = [self = QPointer(this), field, retry] {
        if (self)
            self->presentAgain(field, retry + 1);
    };
    if (!request && FieldRequest::readAgainLater(m_services.scheduler, why, retry, again))
        return;
    if (!request && why == FieldRequest::NoRequest::unreadable)
        say(FieldRequest::unreadableNotice(L10n::current()));
    else if (!request)
        m_services.beep.beep();
    if (request)
        present(*request);
}

void AppCoordinator::present(const FieldRequest& request) {
    const FocusedField& field = request.field;
    auto viewModel = makeViewModel(request.shown);
    connect(viewModel.get(), &SuggestionViewModel::replaceRequested, this,
            [this, request](const QString& chosen) { m_writeBack.replace(request, chosen); });
    connect(viewModel.get(), &SuggestionViewModel::checkAgainRequested, this, [this, field] {
        closeSuggestions();
        presentFor(field);
    });
    openPanel(viewModel, panelAnchor(field), true);
}

Rect AppCoordinator::panelAnchor(const FocusedField& field) {
    if (const std::optional<Rect> icon = m_icon.iconFrame())
        return *icon;
    if (const std::optional<Rect> frame = m_services.ax.frame(field.element))
        return *frame;
    const std::optional<ScreenInfo> main = m_services.screens.mainScreen();
    const Rect screen = main ? main->frame : Rect();
    return Rect(midX(screen), midY(screen), 0, 0);
}

void AppCoordinator::openPanel(std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor, bool forField) {
    connect(viewModel.get(), &SuggestionViewModel::closeRequested, this, &AppCoordinator::closeSuggestions);
    // A panel already open would otherwise stay on screen, orphaned, with live buttons.
    if (m_panel)
        m_panel->hide();
    m_panel = m_panels.open(viewModel);
    if (forField) {
        // The panel takes the focus; its field must stay the current one meanwhile.
        m_monitor.suspendFocusTracking = true;
        m_icon.setState(IconState::loading);
    }
    connect(m_panel.get(), &SuggestionPanel::closed, this, [this, forField] {
        releaseController();
        if (forField)
            m_monitor.suspendFocusTracking = false;
        m_grant.dismissed();
    });
    m_panel->show(anchor);
    viewModel->loadAll();
}

bool AppCoordinator::waitForKeyPresence(std::function<void(AppCoordinator&)> retry) {
    // Right after the start the keyring may not have said yet whether a key is stored (it has a
    // second at most): the request goes on once it has.
    if (m_settings.keyPresenceKnown() || !KeyRequirement::isRequired(m_settings.apiBaseURL()))
        return false;
    QPointer<AppCoordinator> self(this);
    m_settings.whenKeyPresenceKnown([self, retry = std::move(retry)] {
        if (self)
            retry(*self);
    });
    return true;
}

void AppCoordinator::closeSuggestions() {
    if (m_panel) {
        m_panel->hide();
        releaseController();
        m_grant.dismissed();
    }
    releaseController();
    m_monitor.suspendFocusTracking = false;
    m_icon.setState(IconState::ready);
}

void AppCoordinator::hotkeyTriggered(const Trigger& trigger) {
    if (!TriggerFreshness::isFresh(trigger, m_services.scheduler.now())) {
        say(TriggerFreshness::droppedNotice(L10n::current()));
        return;
    }
    // Settings or the setup window in front: their own texts are never read, copied or sent.
    if (!OwnWindows::allowRequest(m_services.workspace, m_currentField))
        return;
    // A request with no press seen behind it obeys the user's rules: while paused, or in an
    // application on the block list, nothing is read, copied or sent.
    if (trigger.byRequest && isPaused()) {
        m_services.beep.beep();
        return;
    }
    const Trigger held{std::nullopt, trigger.field, trigger.byRequest};
    if (waitForKeyPresence([held](AppCoordinator& c) { c.hotkeyTriggered(held); }))
        return;
    // Read once more: the field found now is the current one from here on. Where nothing can be
    // read, the notice still goes where the keyboard is, when that can be told.
    std::optional<Rect> near;
    if (!m_currentField) {
        ShortcutField found = ShortcutField::find(m_services.ax, m_services.workspace, m_lastOtherField);
        m_currentField = std::move(found.field);
        near = found.near;
    }
    if (trigger.byRequest &&
        IconRule::refusesRequest(m_services.workspace, m_currentField, iconConditions())) {
        m_services.beep.beep();
        return;
    }
    const bool copyFirst = m_currentField && m_currentField->hidesSelection(m_services.ax);
    if (m_currentField && !copyFirst) {
        presentSuggestions(held);
        return;
    }
    if (m_settings.keyMissing()) {
        emit needsSettings();
        return;
    }
    if (copyFirst)
        copySelectionOf(*m_currentField, held, near);
    else
        m_clipboardShortcut.start(near);
}

void AppCoordinator::copySelectionOf(const FocusedField& field, const Trigger& held,
                                     std::optional<Rect> near) {
    // The field never tells its selection: a copy finds it there. With nothing selected, the whole
    // text goes as from any other field; a selection not found in one place of the field's text
    // goes the clipboard's way, pasted over.
    QPointer<AppCoordinator> self(this);
    m_textIO.copyFocusedSelection([self, field, held, near](std::optional<QString> copied) {
        if (!self)
            return;
        if (!copied || copied->trimmed().isEmpty()) {
            self->presentSuggestions(held);
        } else if (const auto request = FieldRequest::ofCopied(self->m_services.ax,
                                                               self->m_services.workspace, field, *copied)) {
            if (!self->m_panel)
                self->present(*request);
        } else {
            self->m_clipboardShortcut.start(near);
        }
    });
}

void AppCoordinator::presentAgain(const FocusedField& field, int retry) {
    if (!m_panel && m_currentField && m_currentField->element == field.element)
        presentFor(field, retry);
}

void AppCoordinator::say(const QString& text) {
    m_services.beep.beep();
    std::optional<Rect> near = m_icon.iconFrame();
    if (!near && m_currentField)
        near = m_services.ax.frame(m_currentField->element);
    notify(Notice{text, near, {}});
}

void AppCoordinator::reconsiderField() {
    handleFocus(m_currentField);
}

std::optional<RunningApplication> AppCoordinator::fieldApplication() {
    const qint32 own = m_services.workspace.ownPid();
    const std::optional<FocusedField>& field =
        m_currentField && m_currentField->pid != own ? m_currentField : m_lastOtherField;
    if (!field || !field->appId)
        return std::nullopt;
    RunningApplication app{field->applicationPid(), field->appId, std::nullopt};
    const std::optional<RunningApplication> running =
        m_services.workspace.runningApplication(field->applicationPid());
    if (running && running->appId == field->appId)
        app.name = running->name;
    if (!app.name || app.name->isEmpty())
        app.name = m_services.workspace.applicationName(*field->appId);
    return app;
}

}  // namespace quillet
