// Control+A / C / V and Shift+arrows posted to the focused window through the XTest extension.
#include "platform/linux/XTestKeySynth.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/linux/X11Keys.h"

namespace quillet {

namespace {

// A connection of its own for each press: one that reads no events would keep the keyboard
// mapping it saw first and miss a change of layout.
struct Connection {
    Connection() : display(XOpenDisplay(nullptr)) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        if (display && !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
            XCloseDisplay(display);
            display = nullptr;
        }
    }
    ~Connection() {
        if (display)
            XCloseDisplay(display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* display;
};

// Releases every held modifier key, the locks aside.
void releaseHeldModifiers(Display* dpy) {
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
}

}  // namespace

bool XTestKeySynth::selectAll() {
    return pressWithControl(XK_a, x11keys::usA);
}
bool XTestKeySynth::copy() {
    return pressWithControl(XK_c, x11keys::usC);
}
bool XTestKeySynth::paste() {
    return pressWithControl(XK_v, x11keys::usV);
}

XTestKeySynth::~XTestKeySynth() {
    while (!m_bindings.empty()) {
        m_scheduler.cancel(m_bindings.begin()->second.unbindTimer);
        unbind(m_bindings.begin()->first);
    }
}

void XTestKeySynth::unbind(unsigned long keysym) {
    const auto bound = m_bindings.find(keysym);
    if (bound == m_bindings.end())
        return;
    const KeyCode keycode = bound->second.keycode;
    m_bindings.erase(bound);
    Connection connection;
    if (connection.display)
        x11keys::unbindKeycode(connection.display, keycode);
}

bool XTestKeySynth::pressWithControl(unsigned long keysym, unsigned char usFallback) {
    Connection connection;
    Display* dpy = connection.display;
    if (!dpy)
        return false;
    // The right Control, which the user's fingers and other programs' keys seldom hold: one of
    // them letting go of theirs meanwhile leaves ours down.
    KeyCode control = XKeysymToKeycode(dpy, XK_Control_R);
    if (control == 0)
        control = XKeysymToKeycode(dpy, XK_Control_L);
    if (control == 0)
        return false;

    KeyCode key = 0;
    if (auto bound = m_bindings.find(keysym); bound != m_bindings.end()) {
        key = bound->second.keycode;
        m_scheduler.cancel(bound->second.unbindTimer);
    } else if ((key = XKeysymToKeycode(dpy, keysym)) == 0) {
        // The layout has no such letter (Serbian Cyrillic, Russian...). GTK matches Control+V
        // only against a key that gives the Latin letter, so the letter is bound to an unused
        // keycode; with none free, the US layout's physical key is the best guess.
        key = x11keys::bindToSpareKeycode(dpy, keysym);
        if (key != 0)
            m_bindings[keysym] = Binding{key, 0};
        else
            key = usFallback;
    }
    if (auto bound = m_bindings.find(keysym); bound != m_bindings.end()) {
        // The target reads the new mapping lazily, possibly after it has received the press:
        // the binding stays a moment longer than the press.
        bound->second.unbindTimer = m_scheduler.after(bindingLifetime, [this, keysym] { unbind(keysym); });
    }

    // The user may still hold the hotkey's Super and Shift: the target must see Control+key and
    // nothing else.
    releaseHeldModifiers(dpy);

    // Control goes down a moment before the key, as under a person's fingers: QtWebEngine takes a
    // Control and a V that arrive together as two pastes. The server holds the key back; the sync
    // waits for it.
    XTestFakeKeyEvent(dpy, control, True, 0);
    XTestFakeKeyEvent(dpy, key, True, static_cast<unsigned long>(modifierLead.count()));
    XTestFakeKeyEvent(dpy, key, False, 0);
    XTestFakeKeyEvent(dpy, control, False, 0);
    XSync(dpy, False);
    return true;
}

bool XTestKeySynth::selectBackward(int count) {
    return pressWithShift(XK_Left, count);
}
bool XTestKeySynth::selectForward(int count) {
    return pressWithShift(XK_Right, count);
}

bool XTestKeySynth::pressWithShift(unsigned long keysym, int count) {
    if (count <= 0)
        return true;
    Connection connection;
    Display* dpy = connection.display;
    if (!dpy)
        return false;
    const KeyCode shift = XKeysymToKeycode(dpy, XK_Shift_L);
    const KeyCode key = XKeysymToKeycode(dpy, keysym);
    if (shift == 0 || key == 0)
        return false;
    // A Control still held would make every press jump a whole word.
    releaseHeldModifiers(dpy);
    XTestFakeKeyEvent(dpy, shift, True, 0);
    for (int i = 0; i < count; ++i) {
        XTestFakeKeyEvent(dpy, key, True, 0);
        XTestFakeKeyEvent(dpy, key, False, 0);
    }
    XTestFakeKeyEvent(dpy, shift, False, 0);
    XSync(dpy, False);
    return true;
}

}  // namespace quillet
