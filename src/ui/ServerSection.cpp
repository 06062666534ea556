// The settings' server and model: the API key and its check, the model with the server's own list,
// and the server's address with its presets.
#include "ui/ServerSection.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/L10n.h"
#include "core/ModelServers.h"
#include "core/SettingsStore.h"
#include "ui/ApiKeySection.h"
#include "ui/FormSection.h"
#include "ui/Style.h"

namespace quillet {

namespace {

// A field's line with its buttons, and under it the reason a value was refused: the row grows down
// instead of pushing the field aside. Buttons `below` go on a line of their own under the field.
QWidget* fieldColumn(QLabel* label, const QList<QWidget*>& line, QLabel* error,
                     const QList<QWidget*>& below = {}) {
    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(4);
    auto* fieldLine = new QHBoxLayout;
    fieldLine->setSpacing(8);
    for (QWidget* w : line)
        fieldLine->addWidget(w, w == line.first() ? 1 : 0);
    columnLayout->addLayout(fieldLine);
    columnLayout->addWidget(error);
    if (!below.isEmpty()) {
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(8);
        buttons->addStretch(1);
        for (QWidget* w : below)
            buttons->addWidget(w);
        columnLayout->addLayout(buttons);
    }
    QWidget* row = FormSection::labelledRow(label, {column});
    static_cast<QHBoxLayout*>(row->layout())->setAlignment(label, Qt::AlignTop);
    label->setMinimumHeight(line.first()->sizeHint().height());
    return row;
}

QLabel* errorLabel(const char* name, QWidget* parent) {
    QLabel* label = Style::plainLabel(QString(), parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->hide();
    return label;
}

}  // namespace

ServerSection::ServerSection(SettingsStore& store, KeyValidator validateKey, QWidget* parent)
    : QWidget(parent), m_store(store) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_section = new FormSection(this);
    m_apiKey = new ApiKeySection(m_store, std::move(validateKey), *m_section, this);
    m_section->addRow(buildModelRow());
    m_section->addRow(buildEndpointRow());
    outer->addWidget(m_section);
}

QWidget* ServerSection::buildModelRow() {
    m_modelLabel = FormSection::columnLabel(this);
    m_modelPicker = new QComboBox(this);
    m_modelPicker->setObjectName(QStringLiteral("modelPicker"));
    m_modelPicker->setEditable(true);
    m_modelPicker->setInsertPolicy(QComboBox::NoInsert);
    m_modelPicker->addItems(SettingsStore::suggestedModels);
    m_modelLabel->setBuddy(m_modelPicker);
    connect(m_modelPicker, &QComboBox::activated, this,
            [this](int index) { commitModel(m_modelPicker->itemText(index)); });
    connect(m_modelPicker->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { commitModel(m_modelPicker->currentText()); });
    m_modelRefresh = new QPushButton(this);
    m_modelRefresh->setObjectName(QStringLiteral("modelRefreshButton"));
    m_modelRefresh->setEnabled(false);
    connect(m_modelRefresh, &QPushButton::clicked, this, &ServerSection::refreshModels);
    m_modelError = errorLabel("modelError", this);
    return fieldColumn(m_modelLabel, {m_modelPicker, m_modelRefresh}, m_modelError);
}

QWidget* ServerSection::buildEndpointRow() {
    m_endpointLabel = FormSection::columnLabel(this);
    m_endpointField = new QLineEdit(this);
    m_endpointField->setObjectName(QStringLiteral("endpointField"));
    m_endpointField->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhNoAutoUppercase);
    m_endpointLabel->setBuddy(m_endpointField);
    connect(m_endpointField, &QLineEdit::textEdited, this, [this] {
        m_endpointEdited = true;
        updateReset();
    });
    connect(m_endpointField, &QLineEdit::editingFinished, this, &ServerSection::commitEndpoint);
    m_endpointReset = new QPushButton(this);
    m_endpointReset->setObjectName(QStringLiteral("endpointResetButton"));
    connect(m_endpointReset, &QPushButton::clicked, this, &ServerSection::resetEndpoint);
    // A button with a menu sizes itself for its label and its arrow both.
    m_endpointPresets = new QPushButton(this);
    m_endpointPresets->setObjectName(QStringLiteral("endpointPresetsButton"));
    auto* presets = new QMenu(m_endpointPresets);
    for (const ModelServers::Preset& preset : ModelServers::presets()) {
        QAction* action = presets->addAction(preset.name + QStringLiteral("  ") + preset.baseURL);
        action->setData(preset.baseURL);
        connect(action, &QAction::triggered, this, [this, url = preset.baseURL] {
            m_endpointField->setText(url);
            m_endpointEdited = true;
            commitEndpoint();
        });
    }
    m_endpointPresets->setMenu(presets);
    m_endpointError = errorLabel("endpointError", this);
    // The address has the line to itself, so the whole of it shows; its buttons go under it.
    return fieldColumn(m_endpointLabel, {m_endpointField}, m_endpointError,
                       {m_endpointPresets, m_endpointReset});
}

void ServerSection::setModelLister(ModelLister lister) {
    m_modelLister = std::move(lister);
    m_modelRefresh->setEnabled(m_modelLister && !m_listingModels);
}

void ServerSection::refreshModels() {
    if (!m_modelLister || m_listingModels)
        return;
    m_listingModels = true;
    m_modelRefresh->setEnabled(false);
    m_modelError->hide();
    const quint64 generation = ++m_modelListGeneration;
    const QString server = m_store.apiBaseURL();
    QPointer<ServerSection> self(this);
    m_modelLister([self, generation, server](QStringList names, QString failure) {
        if (!self || generation != self->m_modelListGeneration)
            return;
        self->m_listingModels = false;
        self->m_modelRefresh->setEnabled(bool(self->m_modelLister));
        if (!failure.isEmpty()) {
            self->m_modelError->setText(failure);
            self->m_modelError->show();
            return;
        }
        self->m_serverModels.insert(server, names);
        self->fillModelItems();
    });
}

void ServerSection::fillModelItems() {
    const auto listed = m_serverModels.constFind(m_store.apiBaseURL());
    const QStringList items =
        listed != m_serverModels.constEnd()
            ? *listed
            : (m_store.apiBaseURL() == SettingsStore::defaultApiBaseURL ? SettingsStore::suggestedModels
                                                                        : QStringList());
    QStringList shown;
    for (int i = 0; i < m_modelPicker->count(); ++i)
        shown << m_modelPicker->itemText(i);
    if (shown == items)
        return;
    // The name in effect stays in the field whatever the list offers: any name may be typed.
    const QSignalBlocker block(m_modelPicker);
    const QString typed = m_modelPicker->currentText();
    m_modelPicker->clear();
    m_modelPicker->addItems(items);
    m_modelPicker->setEditText(typed);
}

void ServerSection::clearEdits() {
    m_apiKey->clearInput();
    m_endpointEdited = false;
    m_endpointFault = SettingsStore::AddressFault::none;
    showEndpointError();
}

void ServerSection::showEndpoint() {
    m_endpointField->setText(m_store.apiBaseURL());
    // An address longer than the field shows from its scheme, not its end.
    m_endpointField->setCursorPosition(0);
}

void ServerSection::refresh() {
    const L10n l = L10n::current();
    m_section->setTitle(QStringLiteral("OpenAI API"));
    m_apiKey->refresh();
    m_modelLabel->setText(QStringLiteral("Model"));
    m_modelPicker->setAccessibleName(m_modelLabel->text());
    Style::setButtonText(*m_modelRefresh, l.text(QT_TRANSLATE_NOOP("Quillet", "Refresh")));
    m_modelRefresh->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Refresh the model list")));
    QPalette red = m_modelError->palette();
    red.setColor(QPalette::WindowText, Style::statusRed(*this));
    m_modelError->setPalette(red);
    m_endpointError->setPalette(red);
    if (!m_modelPicker->lineEdit()->hasFocus()) {
        fillModelItems();
        const QSignalBlocker block(m_modelPicker);
        const int index = m_modelPicker->findText(m_store.model());
        if (index >= 0)
            m_modelPicker->setCurrentIndex(index);
        // A name stored by other means stays in effect, and in view, until the user picks another.
        m_modelPicker->setEditText(m_store.model());
        m_modelPicker->lineEdit()->setCursorPosition(0);
    }
    m_endpointLabel->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Endpoint")));
    m_endpointField->setAccessibleName(m_endpointLabel->text());
    m_endpointField->setPlaceholderText(SettingsStore::defaultApiBaseURL);
    if (!m_endpointEdited)
        showEndpoint();
    Style::setButtonText(*m_endpointReset, l.text(QT_TRANSLATE_NOOP("Quillet", "Reset")));
    Style::setButtonText(*m_endpointPresets, l.text(QT_TRANSLATE_NOOP("Quillet", "Presets")));
    m_endpointPresets->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Endpoint presets")));
    m_endpointReset->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Reset endpoint")));
    showEndpointError();
    updateReset();
}

void ServerSection::showEndpointError() {
    const L10n l = L10n::current();
    const QString keyGoesInItsField =
        l.text(QT_TRANSLATE_NOOP("Quillet", "Put the key in the API key field, not in the address."));
    if (m_endpointFault == SettingsStore::AddressFault::notHttp) {
        m_endpointError->setText(
            l.text(QT_TRANSLATE_NOOP("Quillet", "Enter an address that starts with http:// or https://")));
    } else if (m_endpointFault == SettingsStore::AddressFault::credentials) {
        m_endpointError->setText(keyGoesInItsField);
    } else if (!m_endpointEdited && m_store.storedAddressHeldCredentials()) {
        m_endpointError->setText(
            l.text(QT_TRANSLATE_NOOP(
                "Quillet", "The saved address held a user name or password, which Quillet does not send. ")) +
            keyGoesInItsField);
    } else {
        m_endpointError->hide();
        return;
    }
    m_endpointError->show();
}

void ServerSection::updateReset() {
    m_endpointReset->setEnabled(m_endpointEdited || m_store.apiBaseURL() != SettingsStore::defaultApiBaseURL);
}

void ServerSection::commitModel(const QString& typed) {
    if (typed.trimmed() == m_store.model()) {
        if (typed != m_store.model())
            m_modelPicker->setEditText(m_store.model());
        return;
    }
    if (!m_store.setModel(typed)) {
        // No model is no choice: the one in effect stays.
        const QSignalBlocker block(m_modelPicker);
        m_modelPicker->setEditText(m_store.model());
    }
}

void ServerSection::commitEndpoint() {
    if (!m_endpointEdited)
        return;
    const QString typed = m_endpointField->text();
    if (typed.trimmed().isEmpty()) {
        resetEndpoint();
        return;
    }
    const std::optional<QString> endpoint = SettingsStore::apiBaseURLFrom(typed);
    m_endpointFault = SettingsStore::addressFault(typed);
    if (!endpoint) {
        // Keep what was typed, so it can be corrected.
        showEndpointError();
        return;
    }
    m_endpointEdited = false;
    showEndpointError();
    // The same address again still replaces one stored with a user name or password.
    if (*endpoint != m_store.apiBaseURL() || m_store.storedAddressHeldCredentials())
        m_store.setApiBaseURL(*endpoint);
    else
        updateReset();
}

void ServerSection::resetEndpoint() {
    m_endpointEdited = false;
    m_endpointFault = SettingsStore::AddressFault::none;
    m_store.setApiBaseURL(SettingsStore::defaultApiBaseURL);
    showEndpointError();
}

}  // namespace quillet
