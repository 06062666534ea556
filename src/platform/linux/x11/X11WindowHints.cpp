// The window-manager requests for the program's floating windows, sent to the X server (EWMH).
#include "platform/linux/x11/X11WindowHints.h"

#include <QGuiApplication>

// Xlib last: its macros (None, Bool, Status...) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quillet {

bool X11WindowHints::showOnAllWorkspaces(NativeWindowId window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !window)
        return false;
    Display* display = x11->display();
    // _NET_WM_DESKTOP 0xFFFFFFFF: "all desktops" in the window-manager conventions (EWMH).
    const unsigned long allDesktops = 0xFFFFFFFFul;
    XChangeProperty(display, static_cast<Window>(window), XInternAtom(display, "_NET_WM_DESKTOP", False),
                    XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&allDesktops),
                    1);
    XFlush(display);
    return true;
}

bool X11WindowHints::requestKeyboardFocus(NativeWindowId window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !window)
        return false;
    Display* display = x11->display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // source indication: a pager, that is the user
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(display);
    return true;
}

bool X11WindowHints::moveResize(NativeWindowId window, const QRect& deviceRect) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !window || deviceRect.isEmpty())
        return false;
    XMoveResizeWindow(x11->display(), static_cast<Window>(window), deviceRect.x(), deviceRect.y(),
                      static_cast<unsigned>(deviceRect.width()), static_cast<unsigned>(deviceRect.height()));
    XFlush(x11->display());
    return true;
}

}  // namespace quillet
