// One system-wide key combination (Super+Shift+G on Linux).
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace quillet {

class GlobalHotkey {
public:
    GlobalHotkey() = default;
    GlobalHotkey(const GlobalHotkey&) = delete;
    GlobalHotkey& operator=(const GlobalHotkey&) = delete;
    virtual ~GlobalHotkey() = default;

    /// Grabs the combination; `onPress` runs on the main thread for each press, after the platform's
    /// own handler has returned. Empty on success, else why the combination is unavailable.
    virtual std::optional<QString> registerHotkey(std::function<void()> onPress) = 0;
    /// Releases the combination; harmless when it was never grabbed.
    virtual void unregisterHotkey() = 0;
};

}  // namespace quillet
