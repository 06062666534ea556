// Xlib's error handler while the program's own connections to the display live, and after.
#include <gmock/gmock.h>

#include <memory>

#include <X11/Xlib.h>

#include "platform/linux/x11/X11Errors.h"

using namespace quillet;

namespace {

int anotherHandler(Display*, XErrorEvent*) {
    return 0;
}

XErrorHandler currentHandler() {
    const XErrorHandler current = XSetErrorHandler(nullptr);
    XSetErrorHandler(current);
    return current;
}

// The clipboard and the workspace each hold one; whichever goes first, errors stay ignored while
// the other lives, and the handler from before comes back after the last.
TEST(X11ErrorsTest, TheLastHolderPutsBackTheHandlerFromBeforeTheFirst) {
    const XErrorHandler before = XSetErrorHandler(anotherHandler);
    auto first = std::make_unique<X11ErrorsIgnored>();
    const XErrorHandler ignoring = currentHandler();
    EXPECT_NE(ignoring, anotherHandler);
    auto second = std::make_unique<X11ErrorsIgnored>();
    first.reset();
    EXPECT_EQ(currentHandler(), ignoring);
    second.reset();
    EXPECT_EQ(currentHandler(), anotherHandler);
    XSetErrorHandler(before);
}

}  // namespace
