// The settings form: the API key and its check, model, server, language, word threshold, start at
// login, the global shortcut, the block list and the user's own actions. Every control but the key
// writes to the store at once.
#pragma once

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/KeyCheck.h"
#include "core/L10n.h"
#include "core/Shortcut.h"
#include "platform/Workspace.h"

class QComboBox;
class QCompleter;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QScrollArea;
class QSpinBox;
class QVBoxLayout;

namespace quillet {

class ActionsSection;
class ApiKeySection;
class SettingsStore;
class ShortcutRecorder;
class StatusSection;
struct TrayCommands;

class FormSection;
class ToggleSwitch;

/// Asks the configured server for its models; `done` runs once, later, on the main thread, with the
/// names, or with none and the reason in the interface language.
using ModelLister = std::function<void(std::function<void(QStringList names, QString failure)> done)>;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    using KeyStatus = quillet::KeyStatus;
    /// The global shortcut behind the recorder. Without `change`, a new combination is only stored.
    struct ShortcutControl {
        /// Why the stored shortcut could not be taken at start; empty while it works.
        std::function<std::optional<GrabError>()> startupFailure;
        /// Takes `shortcut` (empty: none) as the global shortcut and stores it; on failure nothing
        /// changes and the reason comes back.
        std::function<std::optional<GrabError>(const std::optional<Shortcut>& shortcut)> change;
        /// While recording, presses of the current shortcut reach the recorder.
        std::function<void(bool recording)> suspend;
        /// Where the desktop holds the shortcut and runs `quillet --trigger` for it: the steps that
        /// bind it there, one paragraph each, shown in place of the recorder (none: the recorder).
        std::function<QStringList(const L10n& l)> desktopSteps;
        /// What the desktop keeps from Quillet besides, one paragraph each, shown under the recorder.
        std::function<QStringList(const L10n& l)> desktopNote;
    };
    /// Where the block list finds the names of applications.
    struct ApplicationDirectory {
        /// The installed application's name for an identifier.
        std::function<std::optional<QString>(const QString& bundleId)> nameFor;
        /// The applications running now, offered while typing a new entry.
        std::function<QList<RunningApplication>()> running;
    };

    static constexpr int width = 480;
    static constexpr int height = 560;
    static constexpr int minWords = 1;
    static constexpr int maxWords = 20;
    /// Entries shown before the block list scrolls.
    static constexpr int blockRowHeight = 28;

    /// `store` must outlive the view. The key field starts empty: a stored key never comes into it.
    SettingsView(SettingsStore& store, KeyValidator validateKey, ShortcutControl shortcut = {},
                 QWidget* parent = nullptr);
    ~SettingsView() override;

    /// Adds the tray menu's commands, as a first section shown while setTrayMissing(true).
    void setTrayCommands(TrayCommands commands);
    /// Shows or hides the tray menu's section (see setTrayCommands).
    void setTrayMissing(bool missing);
    /// Redraws the tray menu's section, after something it shows changed elsewhere.
    void refreshStatus();
    StatusSection* statusSection() const { return m_statusSection; }
    ActionsSection* actionsSection() const { return m_actionsSection; }
    void setApplicationDirectory(ApplicationDirectory directory);
    /// Enables "Refresh" beside the model picker.
    void setModelLister(ModelLister lister);
    /// Asks the server for its models and offers them in the picker for as long as the view lives.
    void refreshModels();

    KeyStatus keyStatus() const;
    QString apiKeyInput() const;
    QString newBlockedApp() const;

    /// Stores the key field exactly as typed, then checks the key read back from the store. When the
    /// keyring does not take it, says so and checks nothing; the field keeps what was typed.
    void saveAndValidate();
    /// Appends the new-app field's text, trimmed of spaces and tabs, unless it is empty or listed.
    void addBlockedApp();
    /// Removes every entry equal to `bundleId`.
    void removeBlockedApp(const QString& bundleId);
    /// Makes `shortcut` (empty: none) the global shortcut; a refusal is shown under the row.
    void changeShortcut(const std::optional<Shortcut>& shortcut);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build(KeyValidator validateKey);
    QWidget* buildModelRow();
    void fillModelItems();
    QWidget* buildEndpointRow();
    void refresh();
    void refreshBlocklist();
    void updateButtons();
    void commitModel(const QString& typed);
    void commitEndpoint();
    void resetEndpoint();
    QWidget* buildShortcutRow();
    void refreshShortcut(const L10n& l);
    void showShortcutError(const QString& text);
    void fillCompletions();
    std::optional<Shortcut> storedShortcut() const;

    SettingsStore& m_store;
    ShortcutControl m_shortcutControl;
    ApplicationDirectory m_applications;
    bool m_endpointEdited = false;
    ModelLister m_modelLister;
    quint64 m_modelListGeneration = 0;
    bool m_listingModels = false;
    // By server address: what each server listed this session.
    QHash<QString, QStringList> m_serverModels;
    QStringList m_shownBlocklist;
    std::optional<AppLanguage> m_blocklistLanguage;

    QVBoxLayout* m_formLayout;
    StatusSection* m_statusSection = nullptr;
    FormSection* m_apiSection;
    FormSection* m_behaviorSection;
    FormSection* m_blockSection;
    ActionsSection* m_actionsSection;

    ApiKeySection* m_apiKey;
    QLabel* m_modelLabel;
    QComboBox* m_modelPicker;
    QPushButton* m_modelRefresh;
    QLabel* m_modelError;
    QLabel* m_endpointLabel;
    QLineEdit* m_endpointField;
    QPushButton* m_endpointReset;
    QToolButton* m_endpointPresets;
    QLabel* m_endpointError;

    QLabel* m_languageLabel;
    QComboBox* m_languagePicker;
    QLabel* m_wordsLabel;
    QSpinBox* m_wordsStepper;
    QLabel* m_loginLabel;
    ToggleSwitch* m_loginSwitch;
    QLabel* m_shortcutLabel;
    ShortcutRecorder* m_shortcutRecorder;
    QPushButton* m_shortcutClear;
    QLabel* m_shortcutUnavailable;
    QLabel* m_shortcutError;
    QLabel* m_shortcutSteps = nullptr;

    QWidget* m_blockList;
    QVBoxLayout* m_blockListLayout;
    QLineEdit* m_newAppField;
    QCompleter* m_newAppCompleter;
    QPushButton* m_addButton;
};

}  // namespace quillet
