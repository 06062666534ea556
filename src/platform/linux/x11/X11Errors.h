// Xlib errors on the program's own connections to the display, taken as answers: a window that went
// away between two requests raises BadWindow, which must never end the program.
#pragma once

namespace quillet {

/// While at least one of these lives, Xlib reports its errors to nobody. The first one installs
/// that handler; the last one to go puts back the handler that was there before the first. Main
/// thread only.
class X11ErrorsIgnored {
public:
    X11ErrorsIgnored();
    ~X11ErrorsIgnored();
    X11ErrorsIgnored(const X11ErrorsIgnored&) = delete;
    X11ErrorsIgnored& operator=(const X11ErrorsIgnored&) = delete;
};

}  // namespace quillet
