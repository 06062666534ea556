// Keycodes and modifier masks looked up on the running X server, so that any keyboard layout works.
#include "platform/linux/x11/X11Keys.h"

#include <X11/Xutil.h>

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

KeyCode bindToSpareKeycode(Display* display, KeySym keysym) {
    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    KeySym* map = XGetKeyboardMapping(display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    if (!map)
        return 0;
    KeyCode spare = 0;
    // From the top: the highest keycodes are the ones no physical key sends.
    for (int code = maxCode; code >= minCode && !spare; --code) {
        bool unused = true;
        for (int i = 0; i < perCode && unused; ++i)
            unused = map[(code - minCode) * perCode + i] == NoSymbol;
        if (unused)
            spare = KeyCode(code);
    }
    XFree(map);
    if (!spare)
        return 0;
    KeySym lower = 0, upper = 0;
    XConvertCase(keysym, &lower, &upper);
    KeySym symbols[2] = {lower, upper};
    XChangeKeyboardMapping(display, spare, 2, symbols, 1);
    XSync(display, False);
    return spare;
}

void unbindKeycode(Display* display, KeyCode keycode) {
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display, keycode, 1, &none, 1);
    XSync(display, False);
}

}  // namespace quillet::x11keys
