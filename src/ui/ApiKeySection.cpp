// The key rows of the settings form: a new key for the current server, its check, and plain HTTP.
#include "ui/ApiKeySection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/L10n.h"
#include "core/ServerKeys.h"
#include "core/SettingsStore.h"
#include "ui/Brand.h"
#include "ui/FormSection.h"
#include "ui/KeyStatusView.h"
#include "ui/SecretField.h"
#include "ui/Style.h"

namespace quillet {

ApiKeySection::ApiKeySection(SettingsStore& store, KeyValidator validateKey, FormSection& section,
                             QWidget* owner)
    : QObject(owner), m_store(store), m_keyCheck(store, std::move(validateKey)), m_section(section) {
    m_keyLabel = FormSection::columnLabel(owner);
    m_keyField = new SecretField(owner);
    m_keyField->setObjectName(QStringLiteral("apiKeyField"));
    m_keyLabel->setBuddy(m_keyField);
    connect(m_keyField, &QLineEdit::textChanged, this, &ApiKeySection::updateButton);
    section.addRow(FormSection::labelledRow(m_keyLabel, {m_keyField}));

    m_saveButton = new QPushButton(owner);
    m_saveButton->setObjectName(QStringLiteral("saveKeyButton"));
    Style::makeProminent(*m_saveButton, Brand::teal(), Style::windowActionFont());
    connect(m_saveButton, &QPushButton::clicked, this, &ApiKeySection::saveAndValidate);
    m_status = new KeyStatusView(owner);
    {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(12, 5, 10, 5);
        h->setSpacing(12);
        h->addWidget(m_saveButton);
        h->addWidget(m_status, 1);
        section.addRow(row);
    }

    // Only for a server on plain HTTP beyond this machine: the key goes there once the user says so.
    m_plainHttpLabel = new QLabel(owner);
    m_plainHttpLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_plainHttpNote = new QLabel(owner);
    m_plainHttpNote->setObjectName(QStringLiteral("plainHttpNote"));
    m_plainHttpNote->setWordWrap(true);
    m_plainHttpNote->setTextFormat(Qt::PlainText);
    m_plainHttpNote->setFont(Style::font(11));
    m_plainHttpSwitch = new ToggleSwitch(owner);
    m_plainHttpSwitch->setObjectName(QStringLiteral("plainHttpKeySwitch"));
    m_plainHttpLabel->setBuddy(m_plainHttpSwitch);
    connect(m_plainHttpSwitch, &QCheckBox::clicked, this, [this](bool on) {
        m_store.setPlainHttpKeyAllowed(on);
        if (m_keyCheck.status() == KeyStatus::notSent)
            m_keyCheck.reset();
    });
    {
        auto* text = new QWidget;
        auto* v = new QVBoxLayout(text);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(2);
        v->addWidget(m_plainHttpLabel);
        v->addWidget(m_plainHttpNote);
        m_plainHttpRow = FormSection::makeRow(text, {m_plainHttpSwitch});
        static_cast<QHBoxLayout*>(m_plainHttpRow->layout())->setStretch(0, 1);
        section.addRow(m_plainHttpRow);
    }

    connect(&m_keyCheck, &KeyCheck::statusChanged, this, &ApiKeySection::refresh);
}

QString ApiKeySection::input() const {
    return m_keyField->secret();
}

void ApiKeySection::clearInput() {
    m_keyField->clearSecret();
    updateButton();
}

void ApiKeySection::saveAndValidate() {
    // One check at a time here: the button waits for the answer.
    if (input().isEmpty() || keyStatus() == KeyStatus::checking)
        return;
    m_keyCheck.start(input());
}

void ApiKeySection::refresh() {
    const L10n l = L10n::current();
    const QString server = m_store.apiBaseURL();
    if (server != m_server) {
        // What was said was about another server's key.
        m_server = server;
        m_keyCheck.reset();
    }
    m_keyLabel->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "API key (sk-…)")));
    m_keyField->setAccessibleName(m_keyLabel->text());
    // The stored key never comes back into the field: it says a key is there, and takes a new one.
    m_keyField->setPlaceholderText(
        m_store.hasAPIKey() ? l.text(QT_TRANSLATE_NOOP("Quillet", "Stored — type a new key to replace it"))
                            : QStringLiteral("sk-…"));
    Style::setButtonText(*m_saveButton, l.text(QT_TRANSLATE_NOOP("Quillet", "Save & validate")));
    const bool idle = keyStatus() == KeyStatus::idle;
    m_status->display(keyStatus(), idle && m_store.hasAPIKey(),
                      idle && m_store.keyPresence() == SettingsStore::KeyPresence::unreachable);

    m_plainHttpLabel->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Send the key over plain HTTP")));
    m_plainHttpNote->setText(l.text(QT_TRANSLATE_NOOP("Quillet",
                                                      "This server's address is not encrypted: anyone on the "
                                                      "network between you and it can read the key.")));
    QPalette pal = m_plainHttpNote->palette();
    pal.setColor(QPalette::WindowText, Style::secondary(*m_plainHttpNote));
    m_plainHttpNote->setPalette(pal);
    m_plainHttpSwitch->setAccessibleName(m_plainHttpLabel->text());
    m_plainHttpSwitch->setAccessibleDescription(m_plainHttpNote->text());
    {
        const QSignalBlocker block(m_plainHttpSwitch);
        m_plainHttpSwitch->setChecked(m_store.plainHttpKeyAllowed(server));
    }
    m_plainHttpRow->setVisible(ServerKeys::isPlainRemote(server));
    m_section.updateHairlines();
    updateButton();
}

void ApiKeySection::updateButton() {
    m_saveButton->setEnabled(!input().isEmpty() && keyStatus() != KeyStatus::checking);
}

}  // namespace quillet
