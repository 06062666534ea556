// SIGTERM, SIGINT and SIGHUP end the program the way Quit does.
#include "platform/linux/qt/QuitSignals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace quillet::QuitSignals {

namespace {

// The handler only writes one byte: all the work happens on the event loop.
int g_pipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

}  // namespace

void install(QObject* context, std::function<void()> quit) {
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, quit = std::move(quit)] {
        char bytes[16];
        while (::read(g_pipe[1], bytes, sizeof bytes) > 0) {
        }
        if (!notifier->isEnabled())
            return;
        notifier->setEnabled(false);
        if (quit)
            quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace quillet::QuitSignals
