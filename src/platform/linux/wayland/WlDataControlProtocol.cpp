// The data-control interface as wayland-scanner writes it out (see src/CMakeLists.txt), built with
// the C++ sources as the fake-input one is: the header first, for the interfaces' C linkage.
#include "wlr-data-control-client-protocol.h"

extern "C" {
#include "wlr-data-control-protocol.c"
}
