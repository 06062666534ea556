#include "platform/linux/X11GlobalHotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <array>

#include "platform/Scheduler.h"

// Xlib's macros (None, KeyPress, Bool...) clash with Qt's headers, so they come last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include "platform/linux/X11Keys.h"

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
    m_grab = wanted;
    m_ignoredMasks = LockMask | numLock;
    m_onKey = std::move(onKey);
    m_down = false;
    m_releasePending = false;
    // Held keys then repeat as presses alone, not as release-and-press pairs.
    XkbSetDetectableAutoRepeat(dpy, True, nullptr);
    if (!m_filterInstalled) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    return std::nullopt;
}

void X11GlobalHotkey::unregisterHotkey() {
    m_onKey = nullptr;
    m_down = false;
    m_releasePending = false;
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
    m_suspended = suspended;
    m_down = false;
    m_releasePending = false;
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
        X11GlobalHotkey* me = *self;
        if (edge == HotkeyEdge::up) {
            // A press with the release's own time came in meanwhile: that was the keyboard repeating.
            if (!me->m_releasePending)
                return;
            me->m_releasePending = false;
        }
        if (const std::function<void(HotkeyEdge)> onKey = me->m_onKey)
            onKey(edge);
    });
}

bool X11GlobalHotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_grab || !m_onKey || m_suspended || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->detail != m_grab->keycode)
        return false;

    if (type == XCB_KEY_PRESS) {
        if ((key->state & ~m_ignoredMasks & 0xff) != m_grab->modifiers)
            return false;
        // Without detectable repeat, X sends a held key as a release and a press with one time.
        if (m_releasePending && key->time == m_releaseTime) {
            m_releasePending = false;
            m_down = true;
            return true;
        }
        m_down = true;
        report(HotkeyEdge::down);
        return true;
    }
    // The release belongs to our press whatever modifiers are still held by then.
    if (!m_down)
        return false;
    m_down = false;
    m_releasePending = true;
    m_releaseTime = key->time;
    report(HotkeyEdge::up);
    return true;
}

}  // namespace quillet
