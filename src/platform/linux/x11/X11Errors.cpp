// Xlib errors on the program's own connections to the display, taken as answers.
#include "platform/linux/x11/X11Errors.h"

#include <X11/Xlib.h>

namespace quillet {

namespace {

int holders = 0;
XErrorHandler previous = nullptr;

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

X11ErrorsIgnored::X11ErrorsIgnored() {
    if (holders++ == 0)
        previous = XSetErrorHandler(ignoreErrors);
}

X11ErrorsIgnored::~X11ErrorsIgnored() {
    if (--holders == 0)
        XSetErrorHandler(previous);
}

}  // namespace quillet
