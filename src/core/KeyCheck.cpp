// The API-key check both windows run: store the key as typed, read it back, ask the server.
#include "core/KeyCheck.h"

#include <QPointer>

#include "core/SettingsStore.h"

namespace quillet {

KeyCheck::KeyCheck(SettingsStore& store, KeyValidator validate, QObject* parent)
    : QObject(parent), m_store(store), m_validate(std::move(validate)) {}

void KeyCheck::start(const QString& typed) {
    if (typed.isEmpty())
        return;
    const quint64 generation = ++m_generation;
    m_status = KeyStatus::checking;
    Q_EMIT statusChanged(m_status);
    QPointer<KeyCheck> self(this);
    const QString server = m_store.apiBaseURL();
    m_store.setApiKey(server, typed, [self, generation, server](SecretStore::Status saved) {
        if (!self || generation != self->m_generation)
            return;
        if (saved != SecretStore::Status::ok) {
            self->settle(generation, saved == SecretStore::Status::locked ? KeyStatus::keyringLocked
                                                                          : KeyStatus::keyringUnavailable);
            return;
        }
        self->m_store.readAPIKey(
            server, KeychainManager::Access::quiet,
            [self, generation, server](const KeychainManager::Lookup& lookup) {
                if (!self || generation != self->m_generation)
                    return;
                const QString key =
                    lookup.state == KeychainManager::Lookup::State::found ? lookup.key : QString();
                if (key.isEmpty()) {
                    self->settle(generation, KeyStatus::keyringUnavailable);
                } else if (ServerKeys::isPlainRemote(server) && !self->m_store.plainHttpKeyAllowed(server)) {
                    self->settle(generation, KeyStatus::notSent);
                } else if (self->m_validate) {
                    self->m_validate(server, key, [self, generation](bool valid) {
                        if (self)
                            self->settle(generation, valid ? KeyStatus::valid : KeyStatus::invalid);
                    });
                } else {
                    self->settle(generation, KeyStatus::invalid);
                }
            });
    });
}

void KeyCheck::reset() {
    ++m_generation;
    if (m_status == KeyStatus::idle)
        return;
    m_status = KeyStatus::idle;
    Q_EMIT statusChanged(m_status);
}

void KeyCheck::settle(quint64 generation, KeyStatus status) {
    if (generation != m_generation)
        return;
    m_status = status;
    Q_EMIT statusChanged(m_status);
}

}  // namespace quillet
