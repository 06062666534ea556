// The AT-SPI layer's event intake: libatspi's events recorded as they come, then delivered from the
// event loop as window, focus and per-process notifications.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include <unistd.h>

#include <QSet>
#include <cstring>
#include <memory>

namespace quillet {

using namespace atspi;

bool AtspiAccessibility::Impl::isTopLevel(AtspiAccessible* a) {
    GRef<AtspiAccessible> parent(atspi_accessible_get_parent(a, nullptr));
    return parent && atspi_accessible_get_role(parent.get(), nullptr) == ATSPI_ROLE_APPLICATION;
}

bool AtspiAccessibility::Impl::isCached(AtspiAccessible* a) {
    AtspiApplication* app = a->parent.app;
    if (!app || !app->hash)
        return false;
    return app->root == a || g_hash_table_lookup(app->hash, a->parent.path) == a;
}

void AtspiAccessibility::Impl::onEvent(AtspiEvent* event, void* self) {
    // Each listener is handed a copy of its own, with a reference to the elements it names: kept,
    // every event would keep them (and so the cache entries of all it ever named) for good.
    const std::unique_ptr<AtspiEvent, void (*)(AtspiEvent*)> owned(
        event, [](AtspiEvent* e) { g_boxed_free(ATSPI_TYPE_EVENT, e); });
    auto* impl = static_cast<Impl*>(self);
    if (!event || !event->source || !event->type)
        return;
    // libatspi also calls an element defunct as it lets go of one that nobody holds any more. No one
    // here follows it then; held in the queue it would come back, only to be let go of (and called
    // defunct) again once the queue is done with it, and so on forever.
    if (std::strncmp(event->type, "object:state-changed:defunct", 28) == 0 && !isCached(event->source))
        return;
    // Of the children added anywhere, only an application joining the desktop matters.
    if (std::strncmp(event->type, "object:children-changed:add", 27) == 0 &&
        event->source != impl->desktop.get())
        return;
    Pending p;
    p.type = QByteArray(event->type);
    p.source = share(event->source);
    p.detail1 = event->detail1;
    if (G_VALUE_HOLDS_OBJECT(&event->any_data)) {
        if (auto* child = ATSPI_IS_ACCESSIBLE(g_value_get_object(&event->any_data))
                              ? ATSPI_ACCESSIBLE(g_value_get_object(&event->any_data))
                              : nullptr)
            p.child = share(child);
    }
    impl->queue.push_back(std::move(p));
    if (!impl->flushPosted) {
        impl->flushPosted = true;
        QMetaObject::invokeMethod(
            &impl->context, [impl] { impl->flush(); }, Qt::QueuedConnection);
    }
}

void AtspiAccessibility::Impl::flush() {
    flushPosted = false;
    std::vector<Pending> batch;
    batch.swap(queue);
    struct Delivery {
        qint32 pid;
        Accessible element;
        AccessEvent event;
    };
    std::vector<Delivery> deliveries;
    std::vector<FocusEvent> windowEvents;
    QSet<qint32> focusChangedIn;
    AtspiApplication* own = nullptr;
    QList<QByteArray> left;
    for (Pending& p : batch) {
        if (p.type.startsWith("object:children-changed:add")) {
            // The desktop gained an application: its process may be the one being waited for.
            if (const qint32 joined = pidOf(accessibleOf(p.child));
                joined > 0 && joined != qint32(::getpid())) {
                deliveries.push_back({joined, p.child, AccessEvent::applicationJoined});
                if (windowSink)
                    activeWindowsOf(accessibleOf(p.child), windowEvents);
            }
            continue;
        }
        AtspiAccessible* source = accessibleOf(p.source);
        const qint32 sender = pidOf(source);
        // Our own windows answer on this very thread: asking them anything while we wait would
        // stall until the call times out. The program never follows its own fields this way.
        if (sender == qint32(::getpid())) {
            own = source->parent.app;
            continue;
        }
        // A page's process speaks for the browser window in front that shows the page.
        const qint32 pid = hostOf(source);
        // A later start of this program (`quillet --trigger`) joins the desktop and leaves it again.
        if (source == desktop.get() && p.type.startsWith("object:children-changed:remove") &&
            !p.child.isNull())
            left << busNameOf(accessibleOf(p.child));
        if (windowSink) {
            using Kind = FocusEvent::Kind;
            if (p.type.startsWith("window:activate")) {
                windowEvents.push_back({Kind::windowActivated, p.source, pid});
            } else if (p.type.startsWith("window:deactivate")) {
                windowEvents.push_back({Kind::windowDeactivated, p.source, pid});
            } else if (p.type.startsWith("object:state-changed:active")) {
                if (isTopLevel(source))
                    windowEvents.push_back(
                        {p.detail1 == 1 ? Kind::windowActivated : Kind::windowDeactivated, p.source, pid});
            } else if (p.type.startsWith("object:state-changed:focused")) {
                windowEvents.push_back({p.detail1 == 1 ? Kind::focusGained : Kind::focusLost, p.source, pid});
            } else if (p.type.startsWith("object:state-changed:defunct")) {
                if (p.detail1 == 1)
                    windowEvents.push_back({Kind::elementGone, p.source, pid});
            } else if (p.type.startsWith("object:children-changed:remove") && !p.child.isNull()) {
                if (source == desktop.get()) {
                    const qint32 gone = pidOf(accessibleOf(p.child));
                    if (gone > 0)
                        windowEvents.push_back({Kind::applicationGone, Accessible(), gone});
                } else {
                    windowEvents.push_back({Kind::elementGone, p.child, pid});
                }
            }
        }
        if (p.type.startsWith("object:text-caret-moved")) {
            // The caret moving into another text may be the keyboard moving where no focus is claimed.
            const auto isText = [&] {
                // Asked afresh: a toolkit without a cache on the bus (GTK 4) announces no change of it.
                atspi_accessible_clear_cache(source);
                return isTypedIntoIfAnswered(source);
            };
            if (caretTrail.caretMoved(pid, p.source, isText) && !focusChangedIn.contains(pid)) {
                focusChangedIn.insert(pid);
                deliveries.push_back({pid, p.source, AccessEvent::focusChanged});
            }
        } else if (p.type.startsWith("object:state-changed:focused")) {
            if (p.detail1 == 1) {
                lastFocused = p.source;
                lastFocusedPid = pid;
                caretTrail.focusClaimed(pid, p.source);
            }
            // Focus leaving and entering arrive together; one re-read serves both.
            if (!focusChangedIn.contains(pid)) {
                focusChangedIn.insert(pid);
                deliveries.push_back({pid, p.source, AccessEvent::focusChanged});
            }
        } else if (p.type.startsWith("object:state-changed:defunct")) {
            if (p.detail1 == 1)
                deliveries.push_back({pid, p.source, AccessEvent::destroyed});
        } else if (p.type.startsWith("object:children-changed:remove")) {
            if (!p.child.isNull())
                deliveries.push_back({pid, p.child, AccessEvent::destroyed});
        } else if (p.type.startsWith("object:text-changed")) {
            deliveries.push_back({pid, p.source, AccessEvent::textChanged});
        } else if (p.type.startsWith("object:bounds-changed")) {
            deliveries.push_back({pid, p.source, AccessEvent::windowMoved});
        }
    }
    // Each panel is new: what the bus said of the last one must not pile up in libatspi.
    if (own)
        forgetGoneOwnObjects(own);
    for (const QByteArray& bus : left)
        forgetApplication(bus);
    // The active window and focus are settled before anyone asks for the focused element.
    for (const FocusEvent& e : windowEvents) {
        if (windowSink)
            windowSink(e);
    }
    for (const Delivery& d : deliveries)
        watches.deliver(d.pid, d.element, d.event);
}

}  // namespace quillet
