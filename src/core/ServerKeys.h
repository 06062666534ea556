// Which key may go to which server: the default service's key only to its host over HTTPS, another
// server only the key saved for it, and never in clear text beyond this machine unless the user allowed it.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "core/OpenAIError.h"

namespace quillet {

/// What the keyring gave for a request's server, as the request is about to go out.
struct KeyAnswer {
    enum class State {
        found,        // `key` is the key saved for this server
        none,         // no key is saved for this server
        locked,       // a key is saved, behind a lock that stayed shut
        unavailable,  // the keyring did not answer
    };
    State state = State::none;
    QString key;
    /// For `unavailable`: a key was known to be saved for this server.
    bool expected = false;
    /// The user allowed this server to get its key over plain HTTP.
    bool plainHttpAllowed = false;

    /// `key` as found, or none when it is empty.
    static KeyAnswer of(const QString& key, bool plainHttpAllowed = false) {
        return {key.isEmpty() ? State::none : State::found, key, false, plainHttpAllowed};
    }
};

/// Hands the keyring's answer for the client's server to the callback, now or later, on the main thread.
using KeySource = std::function<void(std::function<void(KeyAnswer)>)>;

namespace ServerKeys {

/// The name the key of the server at `baseURL` is kept under: empty for the default service (HTTPS to
/// its host, any path), else the server's own address, lower-case, without a default port, trailing
/// slashes or a closing "/v1" ("http://127.0.0.1:11434", "https://gateway.example/openai"), so that
/// the ways of writing one server share its key. Empty too for an address that is no server.
QString slotOf(const QString& baseURL);

/// Whether the server at `baseURL` is the default service, whose key is the one kept from before
/// servers had keys of their own.
bool isDefaultService(const QString& baseURL);

/// Whether `host` names this machine: "localhost", 127.0.0.0/8 or ::1.
bool isLoopback(const QString& host);

/// Whether a key sent to `baseURL` would cross the network in clear text: plain HTTP to another machine.
bool isPlainRemote(const QString& baseURL);

/// What a request to `baseURL` does with the keyring's answer.
struct Decision {
    /// Sent as the bearer token; empty: the request goes without one.
    QString key;
    /// When set, nothing is sent and the request ends with this.
    std::optional<OpenAIError> refusal;
    /// When set, what the server's 401 means: the key it wants stayed behind.
    std::optional<OpenAIError> keyLeftBehind;
};
Decision decide(const QString& baseURL, const KeyAnswer& answer);

}  // namespace ServerKeys
}  // namespace quillet
