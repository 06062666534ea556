// The API-key check both windows run: store the key as typed, read it back, ask the server.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace quillet {

class SettingsStore;

/// The state of one API-key check. keyringUnavailable and keyringLocked end a save the keyring did
/// not take: nothing was checked, and the key stays in the field. notSent ends a save for a server the
/// key may not travel to yet (plain HTTP to another machine, not allowed): nothing was checked.
enum class KeyStatus { idle, checking, valid, invalid, keyringUnavailable, keyringLocked, notSent };

/// Checks `key` against the server at `baseURL`; `done` runs once, later, on the main thread, with the
/// answer.
using KeyValidator =
    std::function<void(const QString& baseURL, const QString& key, std::function<void(bool valid)> done)>;

class KeyCheck : public QObject {
    Q_OBJECT
public:
    /// `store` must outlive the check. Without `validate`, every stored key counts as invalid.
    KeyCheck(SettingsStore& store, KeyValidator validate, QObject* parent = nullptr);

    KeyStatus status() const { return m_status; }

    /// Stores `typed` exactly as typed, as the key of the current server, then checks the key the
    /// keyring gives back: one it cannot give back has not been kept. A new start supersedes a running
    /// one, whose answers are then dropped, since they describe a key that is no longer the stored
    /// one. An empty `typed` is ignored.
    void start(const QString& typed);
    /// Back to idle, dropping the answer of a check under way: the server changed, and what was
    /// checked was another server's key.
    void reset();

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
