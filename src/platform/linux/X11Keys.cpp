#include "platform/linux/X11Keys.h"

namespace quillet::x11keys {

KeyCode keycodeFor(Display* display, KeySym keysym, KeyCode usFallback) {
    const KeyCode code = display ? XKeysymToKeycode(display, keysym) : 0;
    return code != 0 ? code : usFallback;
}

unsigned int modifierMaskFor(Display* display, KeySym keysym, unsigned int fallback) {
    if (!display)
        return fallback;
    const KeyCode code = XKeysymToKeycode(display, keysym);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map || code == 0) {
        if (map)
            XFreeModifiermap(map);
        return fallback;
    }
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && !mask; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == code) {
                mask = 1u << modifier;
                break;
            }
        }
    }
    XFreeModifiermap(map);
    return mask ? mask : fallback;
}

}  // namespace quillet::x11keys
