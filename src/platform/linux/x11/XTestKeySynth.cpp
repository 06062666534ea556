// Control+A / C / V and Shift+arrows posted to the focused window through the XTest extension.
#include "platform/linux/x11/XTestKeySynth.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>

#include "platform/linux/x11/X11Keys.h"

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

// Whether `window` answers the window manager's ping.
bool answersPing(Display* dpy, Window window, Atom ping) {
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(dpy, window, &protocols, &count))
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == ping;
    XFree(protocols);
    return found;
}

// The top-level window that has the keyboard: the focus window or the nearest of its ancestors
// that answers pings. None when there is none.
Window focusedTopLevel(Display* dpy, Atom ping) {
    Window window = None;
    int revert = 0;
    XGetInputFocus(dpy, &window, &revert);
    const Window root = DefaultRootWindow(dpy);
    while (window != None && window != PointerRoot && window != root) {
        if (answersPing(dpy, window, ping))
            return window;
        Window parent = None, rootReturn = None;
        Window* children = nullptr;
        unsigned int childCount = 0;
        if (!XQueryTree(dpy, window, &rootReturn, &parent, &children, &childCount))
            return None;
        if (children)
            XFree(children);
        window = parent;
    }
    return None;
}

// The server's time now, read from a property change on a window of our own: the timestamp a
// window manager puts on its pings. A made-up one could be taken for the time by the target.
Time serverTime(Display* dpy) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    const Window probe = XCreateWindow(dpy, DefaultRootWindow(dpy), -1, -1, 1, 1, 0, 0, InputOnly,
                                       CopyFromParent, CWEventMask, &attributes);
    const Atom name = XInternAtom(dpy, "_QUILLET_TIME", False);
    XChangeProperty(dpy, probe, name, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event{};
    XWindowEvent(dpy, probe, PropertyChangeMask, &event);
    XDestroyWindow(dpy, probe);
    return event.xproperty.time;
}

// Pings `window` and waits, at most `limit`, for its answer. The application answers once it has
// handled every event the server sent it before: the keys pressed just now included.
void waitForEventsHandled(Display* dpy, Window window, Atom ping, std::chrono::milliseconds limit) {
    const Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    const Window root = DefaultRootWindow(dpy);
    // Answers go to the root window, to whoever listens for its children's changes.
    XSelectInput(dpy, root, SubstructureNotifyMask);
    const Time stamp = serverTime(dpy);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = static_cast<long>(stamp);
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(dpy, window, False, NoEventMask, &event);
    XFlush(dpy);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    for (;;) {
        while (XPending(dpy) > 0) {
            XNextEvent(dpy, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                static_cast<Time>(event.xclient.data.l[1]) == stamp &&
                static_cast<Window>(event.xclient.data.l[2]) == window)
                return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
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

    // Control goes down a moment before the key, as under a person's fingers, and the key follows
    // only once the target has handled Control: QtWebEngine takes a Control and a V that reach it
    // together as two pastes, and on a busy machine a fixed lead is not enough. A target that
    // does not answer pings gets the lead alone. The server holds the key back for whatever is
    // left of the lead; the sync waits for it.
    const auto start = std::chrono::steady_clock::now();
    XTestFakeKeyEvent(dpy, control, True, 0);
    const Atom ping = XInternAtom(dpy, "_NET_WM_PING", False);
    if (const Window target = focusedTopLevel(dpy, ping); target != None)
        waitForEventsHandled(dpy, target, ping, handledWait);
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    const auto delay = std::max<long long>(0, (modifierLead - waited).count());
    XTestFakeKeyEvent(dpy, key, True, static_cast<unsigned long>(delay));
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

bool XTestKeySynth::selectFromStart(int skip, int count) {
    Connection connection;
    Display* dpy = connection.display;
    if (!dpy)
        return false;
    const KeyCode control = XKeysymToKeycode(dpy, XK_Control_L), home = XKeysymToKeycode(dpy, XK_Home),
                  right = XKeysymToKeycode(dpy, XK_Right);
    if (control == 0 || home == 0 || right == 0)
        return false;
    releaseHeldModifiers(dpy);
    // Each modifier reaches the target only once it has handled what came before: QtWebEngine reads
    // its modifiers apart from its keys, and would take a Right that follows a Control too closely
    // as a jump over a word.
    const Atom ping = XInternAtom(dpy, "_NET_WM_PING", False);
    const Window target = focusedTopLevel(dpy, ping);
    const auto handled = [&] {
        if (target != None)
            waitForEventsHandled(dpy, target, ping, handledWait);
    };
    XTestFakeKeyEvent(dpy, control, True, 0);
    handled();
    XTestFakeKeyEvent(dpy, home, True, 0);
    XTestFakeKeyEvent(dpy, home, False, 0);
    XTestFakeKeyEvent(dpy, control, False, 0);
    handled();
    for (int i = 0; i < skip; ++i) {
        XTestFakeKeyEvent(dpy, right, True, 0);
        XTestFakeKeyEvent(dpy, right, False, 0);
    }
    XSync(dpy, False);
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
    const Atom ping = XInternAtom(dpy, "_NET_WM_PING", False);
    if (const Window target = focusedTopLevel(dpy, ping); target != None)
        waitForEventsHandled(dpy, target, ping, handledWait);
    for (int i = 0; i < count; ++i) {
        XTestFakeKeyEvent(dpy, key, True, 0);
        XTestFakeKeyEvent(dpy, key, False, 0);
    }
    XTestFakeKeyEvent(dpy, shift, False, 0);
    XSync(dpy, False);
    return true;
}

}  // namespace quillet
