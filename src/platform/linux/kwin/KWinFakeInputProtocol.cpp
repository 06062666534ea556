// KWin's fake-input interface as wayland-scanner writes it out (see src/CMakeLists.txt), built with
// the C++ sources: the project compiles no C of its own. The header comes first: its extern
// declaration gives the interface the linkage C gives it, which a C++ const would lack.
#include "fake-input-client-protocol.h"

extern "C" {
#include "fake-input-protocol.c"
}
