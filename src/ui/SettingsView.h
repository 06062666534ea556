// The settings window's content: a list of pages beside the page shown (general, server and model,
// shortcut, blocked apps, actions). Every control but the key writes to the store at once.
#pragma once

#include <QWidget>
#include <optional>

#include "core/KeyCheck.h"
#include "ui/BlocklistSection.h"
#include "ui/ServerSection.h"
#include "ui/ShortcutRow.h"

class QComboBox;
class QLabel;
class QListWidget;
class QScrollArea;
class QSpinBox;
class QStackedWidget;
class QVBoxLayout;

namespace quillet {

class ActionsSection;
class FormSection;
class SettingsStore;
class StatusSection;
class ToggleSwitch;
struct TrayState;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    using KeyStatus = quillet::KeyStatus;
    using ShortcutControl = ShortcutRow::Control;
    using ApplicationDirectory = BlocklistSection::ApplicationDirectory;
    enum class Page { general, server, shortcut, blocked, actions };
    static constexpr int pageCount = 5;

    /// Sized to fit a 1366 × 768 screen with its panels and the window's title bar.
    static constexpr int width = 680;
    static constexpr int height = 480;
    static constexpr int minWords = 1;
    static constexpr int maxWords = 20;
    static constexpr int blockRowHeight = BlocklistSection::rowHeight;

    /// `store` must outlive the view. The key field starts empty: a stored key never comes into it.
    SettingsView(SettingsStore& store, KeyValidator validateKey, ShortcutControl shortcut = {},
                 QWidget* parent = nullptr);
    ~SettingsView() override;

    /// Adds the tray menu's commands, as a first section shown while setTrayMissing(true); its
    /// owner connects to the section's choices.
    void setTrayState(TrayState state);
    /// Shows or hides the tray menu's section (see setTrayState).
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

    /// Brings `page` into view, as a click on its name does.
    void showPage(Page page);
    Page page() const;
    /// The scrolling area that holds `page`: it scrolls only when the page is taller than the window.
    QScrollArea* pageArea(Page page) const;

    KeyStatus keyStatus() const;
    QString apiKeyInput() const;
    QString newBlockedApp() const;

    /// Stores the key field exactly as typed, then checks the key read back from the store. When the
    /// keyring does not take it, says so and checks nothing; the field keeps what was typed.
    void saveAndValidate();
    /// Appends the new-app field's text, trimmed of spaces and tabs, unless it is empty or listed.
    void addBlockedApp();
    /// Removes every entry equal to `appId`.
    void removeBlockedApp(const QString& appId);
    /// Makes `shortcut` (empty: none) the global shortcut; a refusal is shown under the row.
    void changeShortcut(const std::optional<Shortcut>& shortcut);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build(KeyValidator validateKey, ShortcutControl shortcut);
    QVBoxLayout* addPage();
    QWidget* buildGeneralSection();
    void refresh();
    void refreshPageNames(const L10n& l);
    void refreshSaveError(const L10n& l);

    SettingsStore& m_store;

    QListWidget* m_pageList;
    QLabel* m_saveError;
    QStackedWidget* m_pages;
    QVBoxLayout* m_generalLayout = nullptr;
    StatusSection* m_statusSection = nullptr;
    FormSection* m_behaviorSection;
    ServerSection* m_server;
    FormSection* m_shortcutSection;
    ShortcutRow* m_shortcut;
    BlocklistSection* m_blocklist;
    ActionsSection* m_actionsSection;

    QLabel* m_languageLabel;
    QComboBox* m_languagePicker;
    QLabel* m_wordsLabel;
    QSpinBox* m_wordsStepper;
    QLabel* m_loginLabel;
    ToggleSwitch* m_loginSwitch;
};

}  // namespace quillet
