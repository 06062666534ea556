// Ties focus tracking, the icon, the requests, the panel and the replacement together.
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "core/AXMonitor.h"
#include "core/FieldRecheck.h"
#include "core/FocusedField.h"
#include "core/HistoryEntry.h"
#include "core/HotkeyManager.h"
#include "core/TextIO.h"
#include "core/TriggerFreshness.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"
#include "ui/OverlayController.h"
#include "ui/ToastController.h"

namespace quillet {

class Accessibility;
class Beep;
class GlobalHotkey;
class HttpTransport;
class KeySynth;
class LanguageRecognizer;
class Pasteboard;
class Screens;
class SettingsStore;
class SuggestionPanelController;
class SuggestionViewModel;
class WindowHints;
class Workspace;
struct Platform;

/// The services the coordinator drives; all must outlive it.
struct CoordinatorServices {
    Accessibility& ax;
    Workspace& workspace;
    Screens& screens;
    Scheduler& scheduler;
    Pasteboard& pasteboard;
    KeySynth& keys;
    GlobalHotkey& hotkey;
    Beep& beep;
    HttpTransport& http;
    LanguageRecognizer& languages;
    WindowHints& windowHints;

    static CoordinatorServices from(Platform& platform);
};

class AppCoordinator : public QObject {
    Q_OBJECT
public:
    AppCoordinator(SettingsStore& settings, CoordinatorServices services, QObject* parent = nullptr);
    ~AppCoordinator() override;

    /// Wires the parts, registers the hotkey and starts focus tracking once the permission is there.
    void start();
    /// Hides the icon and pauses for `seconds`, or until restart without a duration.
    void pause(std::optional<qint64> seconds);
    /// Whether a pause is in force now (a past date means active again).
    bool isPaused() const;
    /// Ends a pause at once.
    void resume();
    /// When the pause in force ends; empty when none was set.
    std::optional<QDateTime> pausedUntil() const { return m_pausedUntil; }
    /// Opens the suggestion panel for the current (or the focused) field, when `trigger` is still
    /// fresh and the field it was made for still has the keyboard.
    void presentSuggestions(const Trigger& trigger = {});
    /// The global hotkey: the field path when a field can be read, else copy and paste.
    void hotkeyTriggered(const Trigger& trigger = {});
    /// Orders the panel out and returns the icon to `ready`.
    void closeSuggestions();
    /// Applies the icon's rules to the current field again, after a setting they read has changed.
    void reconsiderField();
    /// The application of the current field; while none is current (one of this program's own
    /// windows is in front), that of the last field of another application. Empty when there is
    /// none, or its application has no identifier.
    std::optional<RunningApplication> fieldApplication();

    SettingsStore& settings() { return m_settings; }
    const QList<HistoryEntry>& history() const { return m_history; }
    /// Called after every insertion into the history.
    std::function<void()> onHistoryChanged;
    /// Called when suggestions are asked for and no API key is stored.
    std::function<void()> onNeedsSettings;
    /// Whether the icon is shown at the field. Off where the desktop tells no program where a field
    /// lies on screen (Wayland): the shortcut and `quillet --trigger` are then the way in.
    bool showsFieldIcon = true;
    /// Whether synthetic keys reach the application of process `pid`; empty where they always do.
    /// Where they do not, a text that cannot be written into its field is left on the clipboard.
    std::function<bool(qint32 pid)> canPressKeysIn;
    /// Where the notice after a write goes instead of the toast: `show(text, actionLabel, action)`
    /// answers false when it cannot show it (then the toast appears). Empty: the toast always.
    std::function<bool(const QString& text, const QString& actionLabel, std::function<void()> action)>
        desktopNotice;
    /// How long ago an input event with the desktop's `timestamp` happened (an icon click, a
    /// shortcut press); empty where that cannot be told, and then the request counts as fresh.
    std::function<std::optional<std::chrono::milliseconds>(quint64 timestamp)> inputEventAge;
    /// Wall-clock time for the pause and the history; tests replace it.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };

    AXMonitor& monitor() { return m_monitor; }
    OverlayController& overlay() { return m_overlay; }
    ToastController& toast() { return m_toast; }
    HotkeyManager& hotkey() { return m_hotkey; }
    const std::optional<FocusedField>& currentField() const { return m_currentField; }
    SuggestionPanelController* suggestionController() const { return m_suggestionController.get(); }
    bool isWaitingForPermission() const { return m_trustPollTimer.has_value(); }

    /// How often the permission is checked until it is granted.
    static constexpr std::chrono::milliseconds trustPollInterval{2000};

private:
    void handleFocus(const std::optional<FocusedField>& field);
    void startMonitorWhenTrusted();
    /// What the panel was opened for: the field, and its text as it was read then.
    struct Request {
        FocusedField field;
        bool selectionOnly = false;
        /// The field's whole text; empty when it could not be read.
        std::optional<QString> fullValue;
        /// The text sent for checking, as the field gave it.
        QString shown;
        /// Where `shown` starts in the field (-1 when unknown).
        qint64 location = 0;
    };
    /// Writes `chosen` into the field of `request` once the field has been read again: nothing is
    /// written, and the panel says why, when the field is gone or its text changed under the
    /// correction.
    void performReplace(const Request& request, const QString& chosen);
    /// The write of performReplace() once planned; `plan` empty where the field could not be read.
    void writeBack(const Request& request, const QString& newText, const std::optional<FieldRecheck>& plan);
    /// The history entry and the notice with Undo, once a replacement is in the field.
    void recordReplacement(const Request& request, const QString& newText, const TextIO::Outcome& outcome);
    /// Undo of a replacement: only while the field still holds what was written.
    void undoReplacement(const FocusedField& field, const TextIO::Outcome& outcome,
                         const std::optional<QString>& fallbackOriginal);
    /// A write that did not land: the icon's error state and the beep.
    void reportFailedWrite();
    /// Tells the user in a notice without Undo.
    void showNotice(const QString& text);
    /// writeBack() where no key reaches the field's application: accessibility alone, else the text
    /// is left on the clipboard.
    void replaceWithoutKeys(const Request& request, const QString& newText, bool selectionOnly);
    /// The hotkey's clipboard road, when no field can be read: copy, check, paste back.
    void checkCopiedSelection(const std::optional<Rect>& near);
    /// Whether `field` is still the one a request made by `trigger` is about: the icon's field, in
    /// the application in front, holding the keyboard.
    bool isStillTheField(const FocusedField& field, const Trigger& trigger);
    /// A request made by an input event with the desktop's `timestamp` (0: unknown).
    Trigger triggerAt(quint64 timestamp, AXElement field = {});
    /// Opens the panel for `field`: its selection, or its whole text.
    void presentFor(FocusedField field);
    /// Whether keys can be pressed into the field's application.
    bool canPressKeysFor(const FocusedField& field) const;
    /// Leaves `text` on the clipboard for the user to paste, with a notice saying so.
    void handOver(const FocusedField& field, const QString& text);
    std::shared_ptr<SuggestionViewModel> makeViewModel(const QString& text);
    /// Shows `viewModel` in a new panel at `anchor`, in place of any panel open, and starts its
    /// requests. `forField`: the panel serves the current field, which focus tracking then holds on
    /// to until the panel closes.
    void openPanel(std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor, bool forField);
    std::optional<FocusedField> focusedFieldNow();
    /// Drops the panel controller; it is deleted once the event that led here has finished.
    void releaseController();
    /// True when the request was put off until the keyring has said whether a key is stored.
    bool waitForKeyPresence(std::function<void(AppCoordinator&)> retry);
    QString applicationName(const FocusedField& field);

    SettingsStore& m_settings;
    CoordinatorServices m_services;
    AXMonitor m_monitor;
    OverlayController m_overlay;
    TextIO m_textIO;
    HotkeyManager m_hotkey;
    ToastController m_toast;
    QList<HistoryEntry> m_history;
    std::optional<FocusedField> m_currentField;
    std::optional<FocusedField> m_lastOtherField;
    // The field the icon stands at; null while it is hidden.
    AXElement m_iconField;
    std::unique_ptr<SuggestionPanelController, void (*)(SuggestionPanelController*)> m_suggestionController;
    std::optional<TimerId> m_trustPollTimer;
    std::optional<QDateTime> m_pausedUntil;
};

}  // namespace quillet
