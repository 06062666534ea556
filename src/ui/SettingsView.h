// The settings form: the API key and its check, model, server, language, word threshold, start at
// login, the global shortcut and the block list. Every control but the key writes to the store at once.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/L10n.h"
#include "ui/KeyStatusView.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QVBoxLayout;

namespace quillet {

class SettingsStore;

namespace FormStyle {
class FormSection;
class ToggleSwitch;
}  // namespace FormStyle

/// Checks `key` against the server; `done` runs once, later, on the main thread, with the answer.
using KeyValidator = std::function<void(const QString& key, std::function<void(bool valid)> done)>;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    using KeyStatus = quillet::KeyStatus;
    /// Why the global shortcut could not be taken; empty while it works.
    using HotkeyFailure = std::function<std::optional<QString>()>;

    static constexpr int width = 480;
    static constexpr int height = 560;
    static constexpr int minWords = 1;
    static constexpr int maxWords = 20;
    static inline const QString shortcutText = QStringLiteral("Super+Shift+G");
    /// Entries shown before the block list scrolls.
    static constexpr int blockRowsVisible = 4;
    static constexpr int blockRowHeight = 28;

    /// `store` must outlive the view. Reads the stored key into the key field (when the keyring answers).
    SettingsView(SettingsStore& store, KeyValidator validateKey, HotkeyFailure hotkeyFailure,
                 QWidget* parent = nullptr);

    KeyStatus keyStatus() const { return m_keyStatus; }
    QString apiKeyInput() const;
    QString newBlockedApp() const;

    /// Stores the key field exactly as typed, then checks the key read back from the store. When the
    /// keyring does not take it, says so and checks nothing; the field keeps what was typed.
    void saveAndValidate();
    /// Appends the new-app field's text, trimmed of spaces and tabs, unless it is empty or listed.
    void addBlockedApp();
    /// Removes every entry equal to `bundleId`.
    void removeBlockedApp(const QString& bundleId);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    QWidget* buildEndpointRow();
    void refresh();
    void refreshBlocklist();
    void updateButtons();
    void showKeyStatus();
    void fillKeyField();
    void checkStoredKey(quint64 generation);
    void commitModel(const QString& typed);
    void commitEndpoint();
    void resetEndpoint();

    SettingsStore& m_store;
    KeyValidator m_validateKey;
    HotkeyFailure m_hotkeyFailure;
    KeyStatus m_keyStatus = KeyStatus::idle;
    quint64 m_checkGeneration = 0;
    quint64 m_fillGeneration = 0;
    bool m_endpointEdited = false;
    QStringList m_shownBlocklist;
    std::optional<AppLanguage> m_blocklistLanguage;

    FormStyle::FormSection* m_apiSection;
    FormStyle::FormSection* m_behaviorSection;
    FormStyle::FormSection* m_blockSection;

    QLabel* m_keyLabel;
    QLineEdit* m_keyField;
    QPushButton* m_saveButton;
    KeyStatusView* m_keyStatusView;
    QLabel* m_modelLabel;
    QComboBox* m_modelPicker;
    QLabel* m_endpointLabel;
    QLineEdit* m_endpointField;
    QPushButton* m_endpointReset;
    QLabel* m_endpointError;

    QLabel* m_languageLabel;
    QComboBox* m_languagePicker;
    QLabel* m_wordsLabel;
    QSpinBox* m_wordsStepper;
    QLabel* m_loginLabel;
    FormStyle::ToggleSwitch* m_loginSwitch;
    QLabel* m_shortcutLabel;
    QLabel* m_shortcutValue;
    QLabel* m_shortcutUnavailable;

    QScrollArea* m_blockList;
    QVBoxLayout* m_blockListLayout;
    QLineEdit* m_newAppField;
    QPushButton* m_addButton;
};

}  // namespace quillet
