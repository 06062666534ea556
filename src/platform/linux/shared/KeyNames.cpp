#include "platform/linux/shared/KeyNames.h"

// Last: Xlib's macros would break the Qt headers.
#include <X11/Xlib.h>

namespace quillet {

QString spelledCombination(const KeyCombination& combination, const std::array<QString, 4>& modifiers) {
    const char* name = XKeysymToString(combination.keysym);
    if (!name || !*name)
        return {};
    const unsigned order[] = {HotkeyModifier::ctrl, HotkeyModifier::alt, HotkeyModifier::shift,
                              HotkeyModifier::super};
    QString spelled;
    for (size_t i = 0; i < modifiers.size(); ++i)
        if (combination.modifiers & order[i])
            spelled += modifiers[i];
    return spelled + QString::fromLatin1(name);
}

}  // namespace quillet
