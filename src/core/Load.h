// The state of one request's result: under way, arrived, or failed with a message for the user.
#pragma once

#include <QString>
#include <optional>

namespace quillet {

enum class LoadState { loading, loaded, failed };

template <typename T>
class Load {
public:
    /// A fresh Load is `loading`.
    Load() = default;
    static Load loading() { return Load(); }
    static Load loaded(T result) {
        Load load;
        load.m_state = LoadState::loaded;
        load.m_result = std::move(result);
        return load;
    }
    static Load failed(QString message) {
        Load load;
        load.m_state = LoadState::failed;
        load.m_message = std::move(message);
        return load;
    }

    LoadState state() const { return m_state; }
    bool isLoading() const { return m_state == LoadState::loading; }
    bool isLoaded() const { return m_state == LoadState::loaded; }
    bool isFailed() const { return m_state == LoadState::failed; }
    /// The result while `loaded`, nullptr otherwise.
    const T* result() const { return m_result ? &*m_result : nullptr; }
    /// The failure's user-facing message while `failed`, empty otherwise.
    const QString& message() const { return m_message; }

    bool operator==(const Load&) const = default;

private:
    LoadState m_state = LoadState::loading;
    std::optional<T> m_result;
    QString m_message;
};

}  // namespace quillet
