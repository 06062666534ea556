#include "platform/linux/X11GlobalHotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <array>

#include "platform/Scheduler.h"

// Xlib's macros (None, KeyPress, Bool...) clash with Qt's headers, so they come last.
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

}  // namespace

X11GlobalHotkey::X11GlobalHotkey(Scheduler& scheduler) : m_scheduler(scheduler) {}

X11GlobalHotkey::~X11GlobalHotkey() {
    unregisterHotkey();
}

std::optional<QString> X11GlobalHotkey::registerHotkey(std::function<void()> onPress) {
    unregisterHotkey();
    Display* dpy = qtDisplay();
    if (!dpy)
        return QStringLiteral("no X11 display");

    m_keycode = x11keys::keycodeFor(dpy, XK_g, x11keys::usG);
    m_modifiers = ShiftMask | x11keys::modifierMaskFor(dpy, XK_Super_L, Mod4Mask);
    const unsigned int numLock = x11keys::modifierMaskFor(dpy, XK_Num_Lock, Mod2Mask);
    m_ignoredMasks = LockMask | numLock;
    const std::array<unsigned int, 4> locks{0u, LockMask, numLock, LockMask | numLock};

    // Another client holding the same combination answers BadAccess, asynchronously: catch it
    // here instead of letting it reach Qt's handler as noise.
    XSync(dpy, False);
    s_grabError = 0;
    XErrorHandler previous = XSetErrorHandler(recordGrabError);
    const Window root = DefaultRootWindow(dpy);
    for (unsigned int lock : locks)
        XGrabKey(dpy, m_keycode, m_modifiers | lock, root, True, GrabModeAsync, GrabModeAsync);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    const int error = s_grabError;
    s_grabError = 0;

    if (error) {
        // A partial grab would work only with some lock states; give all of it back.
        m_grabbed = true;
        ungrabAll();
        if (error == BadAccess)
            return QStringLiteral("another program already uses it");
        return QStringLiteral("the X server refused the key grab (error %1)").arg(error);
    }
    m_grabbed = true;
    m_onPress = std::move(onPress);
    if (!m_filterInstalled) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    return std::nullopt;
}

void X11GlobalHotkey::unregisterHotkey() {
    m_onPress = nullptr;
    if (m_filterInstalled) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
        m_filterInstalled = false;
    }
    ungrabAll();
}

void X11GlobalHotkey::ungrabAll() {
    if (!m_grabbed)
        return;
    m_grabbed = false;
    Display* dpy = qtDisplay();
    if (!dpy)
        return;
    const std::array<unsigned int, 4> locks{0u, LockMask, m_ignoredMasks & ~LockMask, m_ignoredMasks};
    // Ungrabbing a combination another client holds is an error as well; keep it quiet.
    XSync(dpy, False);
    XErrorHandler previous = XSetErrorHandler(recordGrabError);
    const Window root = DefaultRootWindow(dpy);
    for (unsigned int lock : locks)
        XUngrabKey(dpy, m_keycode, m_modifiers | lock, root);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    s_grabError = 0;
}

bool X11GlobalHotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_grabbed || !m_onPress || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->detail != m_keycode || (key->state & ~m_ignoredMasks & 0xff) != m_modifiers)
        return false;
    // The release belongs to the same press; swallow it too.
    if (type == XCB_KEY_PRESS) {
        // The press of a grabbed key gives us the whole keyboard until the key is released. A
        // synthetic copy or paste sent in the meantime would come back to us instead of reaching
        // the application, so hand the keyboard back at once.
        if (Display* display = qtDisplay()) {
            XUngrabKeyboard(display, key->time);
            XFlush(display);
        }
        // Run the callback after this filter has returned, from the event loop.
        m_scheduler.post([onPress = m_onPress] { onPress(); });
    }
    return true;
}

}  // namespace quillet
