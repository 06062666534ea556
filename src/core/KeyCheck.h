// The API-key check both windows run: store the key as typed, read it back, ask the server.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace quillet {

class SettingsStore;

/// The state of one API-key check. The last two end a save the keyring did not take: nothing was
/// checked, and the key stays in the field.
enum class KeyStatus { idle, checking, valid, invalid, keyringUnavailable, keyringLocked };

/// Checks `key` against the server; `done` runs once, later, on the main thread, with the answer.
using KeyValidator = std::function<void(const QString& key, std::function<void(bool valid)> done)>;

class KeyCheck : public QObject {
    Q_OBJECT
public:
    /// `store` must outlive the check. Without `validate`, every stored key counts as invalid.
    KeyCheck(SettingsStore& store, KeyValidator validate, QObject* parent = nullptr);

    KeyStatus status() const { return m_status; }

    /// Stores `typed` exactly as typed, then checks the key the keyring gives back: one it cannot
    /// give back has not been kept. A new start supersedes a running one, whose answers are then
    /// dropped, since they describe a key that is no longer the stored one. An empty `typed` is
    /// ignored.
    void start(const QString& typed);

Q_SIGNALS:
    void statusChanged(KeyStatus status);

private:
    void settle(quint64 generation, KeyStatus status);

    SettingsStore& m_store;
    KeyValidator m_validate;
    KeyStatus m_status = KeyStatus::idle;
    quint64 m_generation = 0;
};

}  // namespace quillet
