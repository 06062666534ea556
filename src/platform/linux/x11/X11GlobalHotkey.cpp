// The global shortcut grabbed on the X11 root window; its presses arrive through Qt's native event
#include "platform/linux/x11/X11GlobalHotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <array>

// Xlib's macros (None, KeyPress, Bool...) clash with Qt's headers, so they come last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XI2proto.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include "platform/linux/x11/X11Keys.h"

namespace quillet {

namespace {

Display* qtDisplay() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// Errors of the grab requests, collected by the temporary handler below. Only touched on the
// main thread, between XSync calls.
int s_grabError = 0;

int recordGrabError(Display*, XErrorEvent* event) {
    if (!s_grabError)
        s_grabError = event->error_code;
    return 0;
}

std::array<unsigned int, 4> lockVariants(unsigned int numLock) {
    return {0u, LockMask, numLock, LockMask | numLock};
}

// The X input extension's opcode when it offers raw events (version 2.0 or later), else -1.
int rawEventsOpcode(Display* dpy) {
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(dpy, "XInputExtension", &opcode, &event, &error))
        return -1;
    // From 2.1 on, raw events arrive even while a grab (our own, of the shortcut) is active. Qt has
    // announced its version on the same connection already; asking for a lower one would be an
    // error, a higher one answers Qt's.
    int major = 2, minor = 4;
    XSync(dpy, False);
    XErrorHandler previous = XSetErrorHandler(recordGrabError);
    const Status status = XIQueryVersion(dpy, &major, &minor);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    s_grabError = 0;
    if (status != Success || major < 2 || (major == 2 && minor < 1))
        return -1;
    return opcode;
}

void selectRawReleases(Display* dpy, bool on) {
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    if (on)
        XISetMask(mask, XI_RawKeyRelease);
    XIEventMask events{XIAllMasterDevices, sizeof mask, mask};
    XISelectEvents(dpy, DefaultRootWindow(dpy), &events, 1);
}

}  // namespace

X11GlobalHotkey::X11GlobalHotkey(Scheduler& scheduler)
    : m_scheduler(scheduler), m_self(std::make_shared<X11GlobalHotkey*>(this)) {}

X11GlobalHotkey::~X11GlobalHotkey() {
    m_self.reset();
    unregisterHotkey();
}

std::optional<GrabError> X11GlobalHotkey::registerHotkey(const KeyCombination& combination,
                                                         std::function<void(HotkeyEdge)> onKey) {
    Display* dpy = qtDisplay();
    if (!dpy)
        return GrabError{GrabError::Kind::noDisplay};

    Grab wanted;
    wanted.keycode = x11keys::keycodeFor(dpy, combination.keysym, combination.usKeycode);
    if (combination.modifiers & HotkeyModifier::shift)
        wanted.modifiers |= ShiftMask;
    if (combination.modifiers & HotkeyModifier::ctrl)
        wanted.modifiers |= ControlMask;
    if (combination.modifiers & HotkeyModifier::alt)
        wanted.modifiers |= x11keys::modifierMaskFor(dpy, XK_Alt_L, Mod1Mask);
    if (combination.modifiers & HotkeyModifier::super)
        wanted.modifiers |= x11keys::modifierMaskFor(dpy, XK_Super_L, Mod4Mask);
    const unsigned int numLock = x11keys::modifierMaskFor(dpy, XK_Num_Lock, Mod2Mask);

    if (m_grab != wanted) {
        // Another client holding the same combination answers BadAccess, asynchronously: catch it
        // here instead of letting it reach Qt's handler as noise.
        XSync(dpy, False);
        s_grabError = 0;
        XErrorHandler previous = XSetErrorHandler(recordGrabError);
        const Window root = DefaultRootWindow(dpy);
        for (unsigned int lock : lockVariants(numLock))
            XGrabKey(dpy, wanted.keycode, wanted.modifiers | lock, root, True, GrabModeAsync, GrabModeAsync);
        XSync(dpy, False);
        XSetErrorHandler(previous);
        const int error = s_grabError;
        s_grabError = 0;
        if (error) {
            // A partial grab would work only with some lock states; give all of it back and keep
            // what was held before.
            m_ignoredMasks = LockMask | numLock;
            ungrab(wanted);
            if (error == BadAccess)
                return GrabError{GrabError::Kind::taken};
            return GrabError{GrabError::Kind::refused, error};
        }
        if (m_grab)
            ungrab(*m_grab);
    }
    stopWatchingRelease();
    m_grab = wanted;
    m_ignoredMasks = LockMask | numLock;
    m_onKey = std::move(onKey);
    m_down = false;
    if (m_xiOpcode < 0)
        m_xiOpcode = rawEventsOpcode(dpy);
    // A held key then repeats as presses alone: a release that reaches us is a real one.
    XkbSetDetectableAutoRepeat(dpy, True, nullptr);
    if (!m_filterInstalled) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    return std::nullopt;
}

void X11GlobalHotkey::unregisterHotkey() {
    stopWatchingRelease();
    m_onKey = nullptr;
    m_down = false;
    if (m_filterInstalled) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
        m_filterInstalled = false;
    }
    if (m_grab) {
        ungrab(*m_grab);
        m_grab.reset();
    }
}

void X11GlobalHotkey::setSuspended(bool suspended) {
    stopWatchingRelease();
    m_suspended = suspended;
    m_down = false;
}

void X11GlobalHotkey::ungrab(const Grab& grab) {
    Display* dpy = qtDisplay();
    if (!dpy)
        return;
    // Ungrabbing a combination another client holds is an error as well; keep it quiet.
    XSync(dpy, False);
    XErrorHandler previous = XSetErrorHandler(recordGrabError);
    const Window root = DefaultRootWindow(dpy);
    for (unsigned int lock : lockVariants(m_ignoredMasks & ~LockMask))
        XUngrabKey(dpy, grab.keycode, grab.modifiers | lock, root);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    s_grabError = 0;
}

void X11GlobalHotkey::report(HotkeyEdge edge) {
    // After this filter has returned, from the event loop.
    m_scheduler.post([weak = std::weak_ptr<X11GlobalHotkey*>(m_self), edge] {
        const auto self = weak.lock();
        if (!self)
            return;
        if (const std::function<void(HotkeyEdge)> onKey = (*self)->m_onKey)
            onKey(edge);
    });
}

void X11GlobalHotkey::watchRelease() {
    Display* dpy = qtDisplay();
    if (!dpy || m_xiOpcode < 0)
        return;
    selectRawReleases(dpy, true);
    m_rawSelected = true;
}

void X11GlobalHotkey::stopWatchingRelease() {
    if (!m_rawSelected)
        return;
    m_rawSelected = false;
    if (Display* dpy = qtDisplay()) {
        selectRawReleases(dpy, false);
        XFlush(dpy);
    }
}

void X11GlobalHotkey::released() {
    if (!m_down)
        return;
    m_down = false;
    stopWatchingRelease();
    report(HotkeyEdge::up);
}

bool X11GlobalHotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_grab || !m_onKey || m_suspended || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;

    // The raw release of our key: the press is over. (Raw events come once per physical press
    // and release; the keyboard's repeat makes none.)
    if (type == XCB_GE_GENERIC) {
        const auto* raw = static_cast<const xXIRawEvent*>(message);
        if (!m_rawSelected || int(raw->extension) != m_xiOpcode || raw->evtype != XI_RawKeyRelease)
            return false;
        if (raw->detail == m_grab->keycode)
            released();
        return true;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->detail != m_grab->keycode)
        return false;
    // A release reaches us while the grab lasts (we have not handed the keyboard back yet) or
    // when one of our own windows has the focus.
    if (type == XCB_KEY_RELEASE) {
        if (!m_down)
            return false;
        released();
        return true;
    }
    if ((key->state & ~m_ignoredMasks & 0xff) != m_grab->modifiers)
        return false;

    if (!m_down) {
        m_down = true;
        m_pressTime = key->time;
        report(HotkeyEdge::down);
        // Asked before the keyboard goes back: a release until then still comes to us as a key
        // event, any later one as a raw event.
        watchRelease();
    }
    // The press of a grabbed key gives us the whole keyboard until the key is released. A
    // synthetic copy or paste sent in the meantime would come back to us instead of reaching the
    // application, and the application would take the grab for a loss of focus: hand the keyboard
    // back at once. The keyboard's repeat grabs it again for each repeated press; those go too.
    // (Without raw events the grab stays until the release, which is then the only sign of it.)
    if (Display* display = qtDisplay(); display && m_rawSelected) {
        XUngrabKeyboard(display, key->time);
        XFlush(display);
    }
    return true;
}

}  // namespace quillet
