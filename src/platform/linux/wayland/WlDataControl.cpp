// The clipboard under KWin offered by Quillet itself, through the data-control interface wl-copy
#include "platform/linux/wayland/WlDataControl.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "wlr-data-control-client-protocol.h"

namespace quillet {

namespace {

const wl_registry_listener registryListener = {&WlDataControl::global, &WlDataControl::globalRemove};
// The primary selection (which the standardised interface always reports) is let go of as the
// clipboard's is.
const zwlr_data_control_device_v1_listener deviceListener = {
    &WlDataControl::dataOffer, &WlDataControl::selection, &WlDataControl::finished,
    &WlDataControl::selection};
const zwlr_data_control_source_v1_listener sourceListener = {&WlDataControl::send, &WlDataControl::cancelled};

// Newer compositors (KWin 6.7) offer the interface under the name it was standardised as,
// ext-data-control-v1: wlroots' second version renamed, the same requests and events in the same
// order. It is bound by its own name and spoken through the same code.
const wl_interface extManagerInterface = [] {
    wl_interface renamed = zwlr_data_control_manager_v1_interface;
    renamed.name = "ext_data_control_manager_v1";
    renamed.version = 1;
    return renamed;
}();

/// Writes `bytes` into `fd` and closes it, whatever the reader does: one that stops reading early
/// must not end this program with SIGPIPE, nor one that never reads hold up anything but this thread.
void writeAndClose(int fd, const QByteArray& bytes) {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        at += n;
        left -= n;
    }
    ::close(fd);
    // A SIGPIPE raised here stays with this thread, which ends now; take it so nothing sees it.
    const timespec none{0, 0};
    while (sigtimedwait(&pipe, nullptr, &none) == SIGPIPE) {
    }
}

}  // namespace

WlDataControl::WlDataControl() : m_display(wl_display_connect(nullptr)) {
    if (!m_display)
        return;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    wl_display_roundtrip(m_display);
    if (!m_manager || !m_seat || ::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, m_seat);
    zwlr_data_control_device_v1_add_listener(m_device, &deviceListener, this);
    wl_display_roundtrip(m_display);
    // Pastes are served while this program's own thread waits, on wl-paste for one.
    m_thread = std::thread([this] { serve(); });
}

WlDataControl::~WlDataControl() {
    if (m_thread.joinable()) {
        const char stop = 0;
        while (::write(m_wake[1], &stop, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (int fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_source)
            zwlr_data_control_source_v1_destroy(m_source);
    }
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    if (m_manager)
        zwlr_data_control_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void WlDataControl::global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                           uint32_t version) {
    Q_UNUSED(version);
    auto* self = static_cast<WlDataControl*>(data);
    const wl_interface* manager = std::strcmp(interface, extManagerInterface.name) == 0 ? &extManagerInterface
                                  : std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0
                                      ? &zwlr_data_control_manager_v1_interface
                                      : nullptr;
    if (manager && !self->m_manager)
        self->m_manager =
            static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(registry, name, manager, 1));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat)
        self->m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}

void WlDataControl::globalRemove(void*, wl_registry*, uint32_t) {}

void WlDataControl::dataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}

void WlDataControl::selection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    // What is on the clipboard now, ours or another program's: read with wl-paste, not here.
    if (offer)
        zwlr_data_control_offer_v1_destroy(offer);
}

void WlDataControl::finished(void* data, zwlr_data_control_device_v1*) {
    static_cast<WlDataControl*>(data)->m_finished = true;
}

void WlDataControl::send(void* data, zwlr_data_control_source_v1* source, const char* type, int32_t fd) {
    auto* self = static_cast<WlDataControl*>(data);
    QByteArray bytes;
    {
        const std::lock_guard lock(self->m_mutex);
        if (source == self->m_source)
            bytes = self->m_formats.value(QString::fromUtf8(type));
    }
    std::thread(writeAndClose, fd, bytes).detach();
}

void WlDataControl::cancelled(void* data, zwlr_data_control_source_v1* source) {
    // Another program copied: this offer is over.
    // An older one was let go of when the newer one took its place.
    auto* self = static_cast<WlDataControl*>(data);
    const std::lock_guard lock(self->m_mutex);
    if (source != self->m_source)
        return;
    zwlr_data_control_source_v1_destroy(source);
    self->m_source = nullptr;
    self->m_formats.clear();
}

bool WlDataControl::offer(const QMap<QString, QByteArray>& formats) {
    if (!isOffered() || m_finished || formats.isEmpty() || wl_display_get_error(m_display) != 0)
        return false;
    {
        const std::lock_guard lock(m_mutex);
        if (m_source)
            zwlr_data_control_source_v1_destroy(m_source);
        m_formats = formats;
        m_source = zwlr_data_control_manager_v1_create_data_source(m_manager);
        zwlr_data_control_source_v1_add_listener(m_source, &sourceListener, this);
        for (auto it = formats.begin(); it != formats.end(); ++it)
            zwlr_data_control_source_v1_offer(m_source, it.key().toUtf8().constData());
        zwlr_data_control_device_v1_set_selection(m_device, m_source);
    }
    // Answered once the compositor has it in place: a paste pressed next finds it.
    wl_event_queue* queue = wl_display_create_queue(m_display);
    const bool placed = wl_display_roundtrip_queue(m_display, queue) >= 0;
    wl_event_queue_destroy(queue);
    return placed;
}

void WlDataControl::serve() {
    const int fd = wl_display_get_fd(m_display);
    for (;;) {
        while (wl_display_prepare_read(m_display) != 0)
            wl_display_dispatch_pending(m_display);
        wl_display_flush(m_display);
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = poll(fds, 2, -1);
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            if (wl_display_read_events(m_display) < 0)
                return;
        } else {
            wl_display_cancel_read(m_display);
            if ((ready < 0 && errno != EINTR) || fds[1].revents || (fds[0].revents & (POLLHUP | POLLERR)))
                return;
        }
        if (wl_display_dispatch_pending(m_display) < 0)
            return;
    }
}

}  // namespace quillet
