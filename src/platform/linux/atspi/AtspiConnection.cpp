// The AT-SPI layer's connection to the accessibility bus: joining it, its listeners, and the
// applications on it by process.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace quillet {

using namespace atspi;

namespace {

const QString a11yBus = QStringLiteral("org.a11y.Bus");

void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

AtspiAccessibility::Impl::~Impl() {
    if (listener) {
        for (const char* type : eventTypes)
            atspi_event_listener_deregister(listener, type, nullptr);
        if (windowEventsRegistered)
            for (const char* type : windowEventTypes)
                atspi_event_listener_deregister(listener, type, nullptr);
        g_object_unref(listener);
    }
}

bool AtspiAccessibility::Impl::busReachable() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(a11yBus).value();
}

bool AtspiAccessibility::Impl::ensureInit() {
    if (initialized)
        return true;
    if (initFailed || !busReachable())
        return false;
    // libatspi's own default lets a call to a freshly seen application wait up to 15 s.
    atspi_set_timeout(callTimeoutMs, 0);
    const int rc = atspi_init();
    if (rc != 0 && rc != 1) {
        // libatspi aborts the process on any later call without a bus: never call it again.
        initFailed = true;
        return false;
    }
    for (const char* domain : {"dbind", "atspi"})
        g_log_set_handler(domain,
                          GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO), quiet,
                          nullptr);
    initialized = true;
    desktop.reset(atspi_get_desktop(0));
    listener = atspi_event_listener_new(&Impl::onEvent, this, nullptr);
    for (const char* type : eventTypes)
        atspi_event_listener_register(listener, type, nullptr);
    if (windowSink)
        registerWindowEvents();
    return true;
}

void AtspiAccessibility::Impl::registerWindowEvents() {
    if (windowEventsRegistered)
        return;
    windowEventsRegistered = true;
    for (const char* type : windowEventTypes)
        atspi_event_listener_register(listener, type, nullptr);
    // Windows that became active before anyone listened announce nothing more. Asked from the
    // event loop: this may run inside any call, and the sink's owner may call back in.
    QMetaObject::invokeMethod(
        &context, [this] { announceAllActiveWindows(); }, Qt::QueuedConnection);
}

void AtspiAccessibility::Impl::announceAllActiveWindows() {
    std::vector<FocusEvent> found;
    GRef<AtspiAccessible> root(atspi_get_desktop(0));
    const int count = root ? atspi_accessible_get_child_count(root.get(), nullptr) : 0;
    for (int i = 0; i < count; ++i) {
        GRef<AtspiAccessible> app(atspi_accessible_get_child_at_index(root.get(), i, nullptr));
        if (app)
            activeWindowsOf(app.get(), found);
    }
    for (const FocusEvent& e : found) {
        if (windowSink)
            windowSink(e);
    }
}

void AtspiAccessibility::Impl::activeWindowsOf(AtspiAccessible* app, std::vector<FocusEvent>& out) {
    if (!app || isHung(app))
        return;
    const qint32 pid = pidOf(app);
    if (pid <= 0 || pid == qint32(::getpid()))
        return;
    const int count = atspi_accessible_get_child_count(app, nullptr);
    for (int i = 0; i < count && i < 32; ++i) {
        GRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app, i, nullptr));
        if (window && hasState(window.get(), ATSPI_STATE_ACTIVE))
            out.push_back(FocusEvent{FocusEvent::Kind::windowActivated, share(window.get()), pid});
    }
}

qint32 AtspiAccessibility::Impl::pidOf(AtspiAccessible* a) {
    const QByteArray bus = busNameOf(a);
    if (bus.isEmpty())
        return 0;
    auto it = pidByBus.find(bus);
    if (it != pidByBus.end())
        return *it;
    GErrorHolder error;
    const qint32 pid = qint32(atspi_accessible_get_process_id(a, &error));
    if (error)
        return 0;
    pidByBus.insert(bus, pid);
    return pid;
}

AtspiAccessible* AtspiAccessibility::Impl::appElement(qint32 pid) {
    if (pid <= 0 || !ensureInit())
        return nullptr;
    GRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    const bool own = pid == qint32(::getpid());
    GRef<AtspiAccessible> empty;
    const int count = atspi_accessible_get_child_count(desktop.get(), nullptr);
    for (int i = 0; i < count; ++i) {
        GRef<AtspiAccessible> app(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        if (!app || isHung(app.get()) || pidOf(app.get()) != pid)
            continue;
        if (own)
            return app.release();
        int children = -1;
        hung.guard(busNameOf(app.get()), [&] {
            GErrorHolder error;
            children = atspi_accessible_get_child_count(app.get(), &error);
            return error ? AccessError::cannotComplete : AccessError::success;
        });
        if (children > 0)
            return app.release();
        if (!empty)
            empty = std::move(app);
    }
    return empty.release();
}

}  // namespace quillet
