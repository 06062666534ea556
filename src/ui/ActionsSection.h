// The settings' list of the user's own actions: each with its order, edit and remove buttons, and the
// form that adds one or saves the one being edited.
#pragma once

#include <QList>
#include <QWidget>
#include <optional>

#include "core/CustomActions.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace quillet {

class FormSection;
class SettingsStore;

class ActionsSection : public QWidget {
    Q_OBJECT
public:
    /// `store` must outlive the section.
    explicit ActionsSection(SettingsStore& store, QWidget* parent = nullptr);

    /// Redraws the list and the texts from the store, in the interface language of the moment.
    void refresh();

    QLineEdit* nameField() const { return m_name; }
    QPlainTextEdit* instructionField() const { return m_instruction; }
    QPushButton* saveButton() const { return m_save; }
    QLabel* errorLabel() const { return m_error; }

    /// Adds the form's action, or saves the one being edited; a refusal is shown under the form and
    /// nothing is stored.
    void save();
    /// Puts the action at `index` into the form.
    void edit(qsizetype index);
    /// Empties the form; the action being edited stays as it was.
    void cancelEdit();
    void remove(qsizetype index);
    /// Moves the action at `index` by `delta` places (-1: up).
    void move(qsizetype index, int delta);

private:
    void showError(const QString& message);

    SettingsStore& m_store;
    FormSection* m_section;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    QLineEdit* m_name;
    QPlainTextEdit* m_instruction;
    QPushButton* m_save;
    QPushButton* m_cancel;
    QLabel* m_error;
    std::optional<qsizetype> m_editing;
    QList<CustomAction> m_shown;
    std::optional<AppLanguage> m_shownLanguage;
};

}  // namespace quillet
