// The global shortcut (Super+Shift+G unless the user picks another): grabbed at start, changed from
#include "core/HotkeyManager.h"

#include <cstdio>

namespace quillet {

namespace {

// The reason as it goes into the one line on standard error, which is always in English.
QString englishReason(const GrabError& error) {
    switch (error.kind) {
        case GrabError::Kind::taken:
            return QStringLiteral("another program already uses it");
        case GrabError::Kind::refused:
            return QStringLiteral("the X server refused the key grab (error %1)").arg(error.code);
        case GrabError::Kind::noDisplay:
            return QStringLiteral("no X11 display");
    }
    return {};
}

}  // namespace

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

void HotkeyManager::setShortcut(std::optional<Shortcut> shortcut) {
    m_shortcut = std::move(shortcut);
}

void HotkeyManager::registerHotkey() {
    m_error.reset();
    if (!m_shortcut) {
        m_hotkey.unregisterHotkey();
        m_registered = false;
        return;
    }
    m_error = grab(*m_shortcut);
    m_registered = !m_error;
    if (m_error) {
        m_writeErrorLine(QStringLiteral("quillet: the global shortcut %1 is unavailable: %2")
                             .arg(m_shortcut->text(), englishReason(*m_error)));
    }
}

std::optional<GrabError> HotkeyManager::changeShortcut(const std::optional<Shortcut>& shortcut) {
    if (!shortcut) {
        m_hotkey.unregisterHotkey();
        m_shortcut.reset();
        m_registered = false;
        m_held = false;
        m_error.reset();
        return std::nullopt;
    }
    // The same combination again is grabbed again: it may have been unavailable at start.
    if (const std::optional<GrabError> failure = grab(*shortcut))
        return failure;
    m_shortcut = shortcut;
    m_registered = true;
    m_held = false;
    m_error.reset();
    return std::nullopt;
}

void HotkeyManager::setSuspended(bool suspended) {
    m_held = false;
    m_hotkey.setSuspended(suspended);
}

std::optional<GrabError> HotkeyManager::grab(const Shortcut& shortcut) {
    std::weak_ptr<HotkeyManager*> weak = m_self;
    return m_hotkey.registerHotkey(shortcut.combination(), [weak](HotkeyEdge edge) {
        if (const auto self = weak.lock())
            (*self)->keyEdge(edge);
    });
}

void HotkeyManager::keyEdge(HotkeyEdge edge) {
    // While the keys are held the keyboard repeats the press; only the release ends it.
    if (edge == HotkeyEdge::up) {
        m_held = false;
        return;
    }
    if (m_held)
        return;
    m_held = true;
    Q_EMIT triggered();
}

QString HotkeyManager::describe(const GrabError& error, const Shortcut& shortcut, const L10n& l) {
    const QString combination = shortcut.text();
    switch (error.kind) {
        case GrabError::Kind::taken:
            return l.text(QT_TRANSLATE_NOOP("Quillet", "Another program already uses %1.")).arg(combination);
        case GrabError::Kind::refused:
            return l.text(QT_TRANSLATE_NOOP("Quillet", "The X server refused %1 (error %2)."))
                .arg(combination)
                .arg(error.code);
        case GrabError::Kind::noDisplay:
            return l.text(QT_TRANSLATE_NOOP("Quillet", "There is no X11 display to take %1 on."))
                .arg(combination);
    }
    return {};
}

}  // namespace quillet
