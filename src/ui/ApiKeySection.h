// The API key's rows of the settings form: the field that takes a new key for the current server
// (and never shows a stored one), its save button and status, and the switch that lets a server on
// plain HTTP have its key.
#pragma once

#include <QObject>
#include <QString>

#include "core/KeyCheck.h"

class QLabel;
class QPushButton;
class QWidget;

namespace quillet {

class FormSection;
class KeyStatusView;
class SecretField;
class SettingsStore;
class ToggleSwitch;

class ApiKeySection : public QObject {
    Q_OBJECT
public:
    /// Adds its rows to `section`, their widgets owned by `owner`. `store` must outlive the section.
    ApiKeySection(SettingsStore& store, KeyValidator validateKey, FormSection& section, QWidget* owner);

    /// Redraws from the store in the interface language of the moment; a new server starts from
    /// nothing checked.
    void refresh();
    /// Empties the field: what was typed and left unsaved is not kept for the next opening.
    void clearInput();

    KeyStatus keyStatus() const { return m_keyCheck.status(); }
    /// What the field holds.
    QString input() const;
    /// Stores the field's key exactly as typed for the current server, then checks the key read back
    /// from the store. When the keyring does not take it, says so and checks nothing.
    void saveAndValidate();

    SecretField* keyField() const { return m_keyField; }
    QWidget* plainHttpRow() const { return m_plainHttpRow; }
    ToggleSwitch* plainHttpSwitch() const { return m_plainHttpSwitch; }

private:
    void updateButton();

    SettingsStore& m_store;
    KeyCheck m_keyCheck;
    QString m_server;
    FormSection& m_section;

    QLabel* m_keyLabel;
    SecretField* m_keyField;
    QPushButton* m_saveButton;
    KeyStatusView* m_status;
    QWidget* m_plainHttpRow;
    QLabel* m_plainHttpLabel;
    QLabel* m_plainHttpNote;
    ToggleSwitch* m_plainHttpSwitch;
};

}  // namespace quillet
