// SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Control+C in the terminal) end the program the
// way Quit does: from the event loop, so a paste under way is finished and the user's clipboard
// given back before anything is torn down.
#pragma once

#include <QObject>
#include <functional>

namespace quillet::QuitSignals {

/// Calls `quit` on the event loop of `context` when one of the signals arrives, once; further
/// signals are ignored while the program winds down. Installed once per process.
void install(QObject* context, std::function<void()> quit);

}  // namespace quillet::QuitSignals
