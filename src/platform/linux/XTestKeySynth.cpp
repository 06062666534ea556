#include "platform/linux/XTestKeySynth.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/linux/X11Keys.h"

namespace quillet {

XTestKeySynth::~XTestKeySynth() {
    if (m_display)
        XCloseDisplay(m_display);
}

Display* XTestKeySynth::display() {
    if (m_display || m_unavailable)
        return m_display;
    m_display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (m_display && !XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    m_unavailable = !m_display;
    return m_display;
}

bool XTestKeySynth::selectAll() {
    return pressWithControl(XK_a, x11keys::usA);
}
bool XTestKeySynth::copy() {
    return pressWithControl(XK_c, x11keys::usC);
}
bool XTestKeySynth::paste() {
    return pressWithControl(XK_v, x11keys::usV);
}

bool XTestKeySynth::pressWithControl(unsigned long keysym, unsigned char usFallback) {
    Display* dpy = display();
    if (!dpy)
        return false;
    const KeyCode key = x11keys::keycodeFor(dpy, keysym, usFallback);
    const KeyCode control = XKeysymToKeycode(dpy, XK_Control_L);
    if (control == 0)
        return false;

    // The user may still hold the hotkey's Super and Shift: release every held modifier key (the
    // locks aside) so that the target sees Control+key and nothing else.
    char keys[32] = {};
    XQueryKeymap(dpy, keys);
    if (XModifierKeymap* map = XGetModifierMapping(dpy)) {
        for (int modifier = 0; modifier < 8; ++modifier) {
            if (modifier == LockMapIndex)
                continue;
            for (int i = 0; i < map->max_keypermod; ++i) {
                const KeyCode code = map->modifiermap[modifier * map->max_keypermod + i];
                if (code != 0 && (keys[code / 8] & (1 << (code % 8))))
                    XTestFakeKeyEvent(dpy, code, False, 0);
            }
        }
        XFreeModifiermap(map);
    }

    XTestFakeKeyEvent(dpy, control, True, 0);
    XTestFakeKeyEvent(dpy, key, True, 0);
    XTestFakeKeyEvent(dpy, key, False, 0);
    XTestFakeKeyEvent(dpy, control, False, 0);
    XSync(dpy, False);
    return true;
}

}  // namespace quillet
