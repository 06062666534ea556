// The settings' server and model: the API key and its check, the model with the server's own list,
// and the server's address with its presets.
#pragma once

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "core/KeyCheck.h"
#include "core/SettingsStore.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class ApiKeySection;
class FormSection;

/// Asks the configured server for its models; `done` runs once, later, on the main thread, with the
/// names, or with none and the reason in the interface language.
using ModelLister = std::function<void(std::function<void(QStringList names, QString failure)> done)>;

class ServerSection : public QWidget {
    Q_OBJECT
public:
    /// `store` must outlive the section.
    ServerSection(SettingsStore& store, KeyValidator validateKey, QWidget* parent = nullptr);

    /// Redraws from the store in the interface language of the moment.
    void refresh();
    /// Forgets what was typed and left unsaved (the key, an unfinished address).
    void clearEdits();

    /// Enables "Refresh" beside the model picker.
    void setModelLister(ModelLister lister);
    /// Asks the server for its models and offers them in the picker for as long as the section lives.
    void refreshModels();

    ApiKeySection& apiKey() const { return *m_apiKey; }

private:
    QWidget* buildModelRow();
    QWidget* buildEndpointRow();
    void fillModelItems();
    void commitModel(const QString& typed);
    void commitEndpoint();
    void resetEndpoint();
    void updateReset();
    void showEndpoint();
    void showEndpointError();

    SettingsStore& m_store;
    bool m_endpointEdited = false;
    // Why the address typed was refused, until it is taken or another is.
    SettingsStore::AddressFault m_endpointFault = SettingsStore::AddressFault::none;
    ModelLister m_modelLister;
    quint64 m_modelListGeneration = 0;
    bool m_listingModels = false;
    // By server address: what each server listed this session.
    QHash<QString, QStringList> m_serverModels;

    FormSection* m_section;
    ApiKeySection* m_apiKey;
    QLabel* m_modelLabel;
    QComboBox* m_modelPicker;
    QPushButton* m_modelRefresh;
    QLabel* m_modelError;
    QLabel* m_endpointLabel;
    QLineEdit* m_endpointField;
    QPushButton* m_endpointReset;
    QPushButton* m_endpointPresets;
    QLabel* m_endpointError;
};

}  // namespace quillet
