// The clipboard under KWin offered by Quillet itself, through the data-control interface wl-copy
// speaks, but with every type at once: wl-copy offers one, and the text Quillet lends must go with
// the hint that tells clipboard managers to keep none of it. What is offered is served from this
// process, over a connection to the compositor of its own, until another program copies.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;
struct zwlr_data_control_offer_v1;

namespace quillet {

class WlDataControl final {
public:
    WlDataControl();
    ~WlDataControl();
    WlDataControl(const WlDataControl&) = delete;
    WlDataControl& operator=(const WlDataControl&) = delete;

    /// Whether the compositor lets this program set the clipboard without a window of its own.
    bool isOffered() const { return m_device != nullptr; }
    /// Puts `formats` (each type's bytes, given as they are asked for) on the clipboard. False when
    /// the compositor could not be told.
    bool offer(const QMap<QString, QByteArray>& formats);

    // The compositor's calls; see the .cpp.
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);
    static void dataOffer(void* data, zwlr_data_control_device_v1* device, zwlr_data_control_offer_v1* offer);
    static void selection(void* data, zwlr_data_control_device_v1* device, zwlr_data_control_offer_v1* offer);
    static void finished(void* data, zwlr_data_control_device_v1* device);
    static void send(void* data, zwlr_data_control_source_v1* source, const char* type, int32_t fd);
    static void cancelled(void* data, zwlr_data_control_source_v1* source);

private:
    void serve();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_data_control_manager_v1* m_manager = nullptr;
    zwlr_data_control_device_v1* m_device = nullptr;
    std::atomic<bool> m_finished = false;
    // The offer on the clipboard now and its bytes, shared with the thread that serves them.
    std::mutex m_mutex;
    zwlr_data_control_source_v1* m_source = nullptr;
    QMap<QString, QByteArray> m_formats;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

}  // namespace quillet
