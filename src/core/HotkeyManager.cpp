#include "core/HotkeyManager.h"

#include <cstdio>

#include "platform/GlobalHotkey.h"

namespace quillet {

HotkeyManager::HotkeyManager(GlobalHotkey& hotkey, std::function<void(const QString&)> writeErrorLine)
    : m_hotkey(hotkey),
      m_writeErrorLine(std::move(writeErrorLine)),
      m_self(std::make_shared<HotkeyManager*>(this)) {
    if (!m_writeErrorLine) {
        m_writeErrorLine = [](const QString& line) {
            std::fprintf(stderr, "%s\n", line.toUtf8().constData());
            std::fflush(stderr);
        };
    }
}

HotkeyManager::~HotkeyManager() {
    m_self.reset();
    if (m_registered)
        m_hotkey.unregisterHotkey();
}

void HotkeyManager::registerHotkey() {
    std::weak_ptr<HotkeyManager*> weak = m_self;
    const std::optional<QString> failure = m_hotkey.registerHotkey([weak] {
        const auto self = weak.lock();
        if (!self)
            return;
        // Copied first: the callback may replace itself.
        if (const std::function<void()> callback = (*self)->onHotkey)
            callback();
    });
    m_registered = !failure;
    m_error = failure;
    if (failure) {
        m_writeErrorLine(
            QStringLiteral("quillet: the global shortcut %1 is unavailable: %2").arg(shortcutText, *failure));
    }
}

}  // namespace quillet
