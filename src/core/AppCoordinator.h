// Ties focus tracking, the icon, the requests, the panel and the replacement together.
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "core/AXMonitor.h"
#include "core/ClipboardShortcut.h"
#include "core/FieldRequest.h"
#include "core/FocusedField.h"
#include "core/History.h"
#include "core/HotkeyManager.h"
#include "core/IconRule.h"
#include "core/Pause.h"
#include "core/Surfaces.h"
#include "core/TextIO.h"
#include "core/TriggerFreshness.h"
#include "core/WriteBack.h"
#include "core/WriteGrant.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace quillet {

class Accessibility;
class Beep;
class GlobalHotkey;
class HttpTransport;
class KeySynth;
class LanguageRecognizer;
class Clipboard;
class Screens;
class SettingsStore;
class SuggestionViewModel;
class WindowHints;
class Workspace;

/// The services the coordinator drives; all must outlive it.
struct CoordinatorServices {
    Accessibility& ax;
    Workspace& workspace;
    Screens& screens;
    Scheduler& scheduler;
    Clipboard& clipboard;
    KeySynth& keys;
    GlobalHotkey& hotkey;
    Beep& beep;
    HttpTransport& http;
    LanguageRecognizer& languages;
    WindowHints& windowHints;
};

/// The windows the coordinator drives; all must outlive it.
struct CoordinatorSurfaces {
    FieldIcon& icon;
    Toast& toast;
    SuggestionPanels& panels;
};

class AppCoordinator : public QObject {
    Q_OBJECT
public:
    AppCoordinator(SettingsStore& settings, CoordinatorServices services, CoordinatorSurfaces surfaces,
                   QObject* parent = nullptr);
    ~AppCoordinator() override;

    /// Wires the parts, registers the hotkey and starts focus tracking once the permission is there.
    void start();
    /// Hides the icon and pauses for `seconds`, or until restart without a duration.
    void pause(std::optional<qint64> seconds);
    /// Whether a pause is in force now (a past date means active again).
    bool isPaused() const { return m_pause.inForce(now()); }
    /// Ends a pause at once.
    void resume() { m_pause.end(); }
    /// When the pause in force ends; empty when none was set.
    std::optional<QDateTime> pausedUntil() const { return m_pause.until(); }
    /// Opens the suggestion panel for the current (or the focused) field, when `trigger` is still
    /// fresh and the field it was made for still has the keyboard.
    void presentSuggestions(const Trigger& trigger = {});
    /// The global hotkey, or a request of another process (`trigger.byRequest`, which the pause and
    /// the block list stop): the field path when a field can be read, else copy and paste.
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
    const QList<HistoryEntry>& history() const { return m_history.entries(); }
    const History& replacements() const { return m_history; }
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
    HotkeyManager& hotkey() { return m_hotkey; }
    TextIO& textIO() { return m_textIO; }
    const std::optional<FocusedField>& currentField() const { return m_currentField; }
    /// The panel open now; null while none is.
    SuggestionPanel* suggestionPanel() const { return m_panel.get(); }
    bool isWaitingForPermission() const { return m_trustPollTimer.has_value(); }

    /// How often the permission is checked until it is granted.
    static constexpr std::chrono::milliseconds trustPollInterval{2000};
    /// How long after the start, or after a panel went away, the next panel is built ahead.
    static constexpr std::chrono::milliseconds sparePanelDelay{250};

signals:
    /// After every insertion into the history.
    void historyChanged();
    /// Suggestions were asked for and no API key is stored.
    void needsSettings();

private:
    void handleFocus(const std::optional<FocusedField>& field);
    /// The pause and the user's lists, as the icon and the requests obey them now.
    IconRule::Conditions iconConditions() const;
    void startMonitorWhenAccessible();
    /// Whether `field` is still the one a request made by `trigger` is about. `justRead`: `field`
    /// was found as the focused one a moment ago.
    bool isStillTheField(const FocusedField& field, const Trigger& trigger, bool justRead);
    /// The beep and a notice at the field: a request dropped, or a field that could not be read.
    void say(const QString& text);
    /// A request made by an input event with the desktop's `timestamp` (0: unknown).
    Trigger triggerAt(quint64 timestamp, Accessible field = {});
    /// Opens the panel for `field`: its selection, or its whole text. Where the field does not
    /// answer, it is read again a little later (`retry` times so far) while it has the keyboard.
    void presentFor(const FocusedField& field, int retry = 0);
    // Opens the panel for `request` and writes the text chosen there back into its field.
    void present(const FieldRequest& request);
    // Copies the selection of `field`, a field that never tells it, and opens the panel for it.
    void copySelectionOf(const FocusedField& field, const Trigger& held, std::optional<Rect> near);
    /// Reads `field` once more after it did not answer, while no panel is open and it is current.
    void presentAgain(const FocusedField& field, int retry);
    void showSparePanelAhead(const FocusedField& field);
    /// Wires the write-back and the clipboard road to the panel, the icon and the notices.
    void wireWrites();
    /// Shows `notice` where the desktop shows notices, else in the toast.
    void notify(const Notice& notice);
    std::shared_ptr<SuggestionViewModel> makeViewModel(const QString& text);
    /// Shows `viewModel` in a new panel at `anchor`, in place of any panel open, and starts its
    /// requests. `forField`: the panel serves the current field, which focus tracking then holds on
    /// to until the panel closes.
    void openPanel(std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor, bool forField);
    /// Where the panel for `field` opens: at the icon, else at the field, else mid-screen.
    Rect panelAnchor(const FocusedField& field);
    std::optional<FocusedField> focusedFieldNow();
    /// Drops the panel controller; it is deleted once the event that led here has finished.
    void releaseController();
    /// Builds the next panel a little later, while none is open, so that a click only fills it.
    void prepareSparePanelSoon();
    /// True when the request was put off until the keyring has said whether a key is stored.
    bool waitForKeyPresence(std::function<void(AppCoordinator&)> retry);

    SettingsStore& m_settings;
    CoordinatorServices m_services;
    FieldIcon& m_icon;
    Toast& m_toast;
    SuggestionPanels& m_panels;
    AXMonitor m_monitor;
    TextIO m_textIO;
    HotkeyManager m_hotkey;
    History m_history;
    WriteBack m_writeBack;
    ClipboardShortcut m_clipboardShortcut;
    WriteGrant m_grant;
    std::optional<FocusedField> m_currentField;
    std::optional<FocusedField> m_lastOtherField;
    // The field the icon stands at; null while it is hidden.
    Accessible m_iconField;
    SuggestionPanels::Owned m_panel;
    std::optional<TimerId> m_spareTimer;
    std::optional<TimerId> m_trustPollTimer;
    Pause m_pause;
};

}  // namespace quillet
