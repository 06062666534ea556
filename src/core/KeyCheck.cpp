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
    m_store.setApiKey(typed, [self, generation](SecretStore::Status saved) {
        if (!self || generation != self->m_generation)
            return;
        if (saved != SecretStore::Status::ok) {
            self->settle(generation, saved == SecretStore::Status::locked ? KeyStatus::keyringLocked
                                                                          : KeyStatus::keyringUnavailable);
            return;
        }
        self->m_store.readAPIKey(KeychainManager::Access::quiet, [self, generation](const QString& key) {
            if (!self || generation != self->m_generation)
                return;
            if (key.isEmpty()) {
                self->settle(generation, KeyStatus::keyringUnavailable);
            } else if (self->m_validate) {
                self->m_validate(key, [self, generation](bool valid) {
                    if (self)
                        self->settle(generation, valid ? KeyStatus::valid : KeyStatus::invalid);
                });
            } else {
                self->settle(generation, KeyStatus::invalid);
            }
        });
    });
}

void KeyCheck::settle(quint64 generation, KeyStatus status) {
    if (generation != m_generation)
        return;
    m_status = status;
    Q_EMIT statusChanged(m_status);
}

}  // namespace quillet
