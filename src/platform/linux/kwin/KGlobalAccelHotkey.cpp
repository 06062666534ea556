// The global shortcut through KDE's shortcut service.
#include "platform/linux/kwin/KGlobalAccelHotkey.h"

#include <QHash>

#include "platform/linux/kwin/KGlobalAccelShortcut.h"

namespace quillet {

std::optional<QKeyCombination> qtKeyCombination(const KeyCombination& combination) {
    const quint32 sym = combination.keysym;
    int key = 0;
    if (sym >= 'a' && sym <= 'z')
        key = Qt::Key_A + int(sym - 'a');
    else if (sym >= 0x20 && sym <= 0x7e)
        key = int(sym);  // digits, Space and punctuation: Qt's codes are their characters
    else if (sym >= 0xffbe && sym <= 0xffd5)
        key = Qt::Key_F1 + int(sym - 0xffbe);
    else {
        static const QHash<quint32, int> named{
            {0xff63, Qt::Key_Insert}, {0xffff, Qt::Key_Delete}, {0xff50, Qt::Key_Home},
            {0xff57, Qt::Key_End},    {0xff55, Qt::Key_PageUp}, {0xff56, Qt::Key_PageDown},
            {0xff51, Qt::Key_Left},   {0xff52, Qt::Key_Up},     {0xff53, Qt::Key_Right},
            {0xff54, Qt::Key_Down},   {0xff61, Qt::Key_Print},  {0xff13, Qt::Key_Pause}};
        key = named.value(sym);
    }
    if (key == 0)
        return std::nullopt;
    Qt::KeyboardModifiers modifiers;
    if (combination.modifiers & HotkeyModifier::ctrl)
        modifiers |= Qt::ControlModifier;
    if (combination.modifiers & HotkeyModifier::alt)
        modifiers |= Qt::AltModifier;
    if (combination.modifiers & HotkeyModifier::shift)
        modifiers |= Qt::ShiftModifier;
    if (combination.modifiers & HotkeyModifier::super)
        modifiers |= Qt::MetaModifier;
    return QKeyCombination(modifiers, Qt::Key(key));
}

KGlobalAccelHotkey::KGlobalAccelHotkey()
    // What KDE's shortcut settings list: the program, and its one action (the global hotkey).
    : m_shortcut(
          std::make_unique<KGlobalAccelShortcut>(QStringLiteral("Quillet"), QStringLiteral("Correct"))) {}

KGlobalAccelHotkey::~KGlobalAccelHotkey() = default;

std::optional<GrabError> KGlobalAccelHotkey::registerHotkey(const KeyCombination& combination,
                                                            std::function<void(HotkeyEdge)> onKey) {
    const std::optional<QKeyCombination> keys = qtKeyCombination(combination);
    if (!keys)
        return GrabError{GrabError::Kind::refused};
    auto handler = std::make_shared<std::function<void(HotkeyEdge)>>(std::move(onKey));
    std::weak_ptr<std::function<void(HotkeyEdge)>> weak = handler;
    const bool* suspended = &m_suspended;
    const std::optional<KGlobalAccelShortcut::Failure> failure = m_shortcut->bind(*keys, [weak, suspended] {
        const auto live = weak.lock();
        if (!live || !*live || *suspended)
            return;
        // Copied first: the handler may replace the binding and with it this closure.
        const std::function<void(HotkeyEdge)> run = *live;
        run(HotkeyEdge::down);
        run(HotkeyEdge::up);
    });
    if (failure) {
        switch (*failure) {
            case KGlobalAccelShortcut::Failure::taken:
                return GrabError{GrabError::Kind::taken};
            case KGlobalAccelShortcut::Failure::noService:
                return GrabError{GrabError::Kind::noDisplay};
            case KGlobalAccelShortcut::Failure::refused:
                return GrabError{GrabError::Kind::refused};
        }
    }
    m_onKey = handler;
    return std::nullopt;
}

void KGlobalAccelHotkey::unregisterHotkey() {
    m_shortcut->release();
    m_onKey.reset();
}

void KGlobalAccelHotkey::setSuspended(bool suspended) {
    m_suspended = suspended;
}

}  // namespace quillet
