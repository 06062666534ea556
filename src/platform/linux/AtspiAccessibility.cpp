// The accessibility layer on AT-SPI (libatspi): events, reads and writes of other applications.
#include "platform/linux/AtspiAccessibility.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <cstring>
#include <vector>

#include "core/ElementFrame.h"
#include "core/FocusSearch.h"
#include "core/TextOffsets.h"
#include "platform/AXObservers.h"
#include "platform/linux/AtspiRoles.h"
#include "platform/linux/AtspiWindowFrame.h"
#include "platform/linux/AtspiWindows.h"
#include "platform/linux/ChromiumAccessibility.h"
#include "platform/linux/CompositorWindows.h"
#include "platform/linux/GLibRefs.h"
#include "platform/linux/HungApplications.h"
#include "platform/linux/rules/CaretTrail.h"

#include <atspi/atspi.h>

namespace quillet {

using TextOffsets::characterOffset;
using TextOffsets::utf16Offset;
using TextOffsets::withoutPadding;

namespace {

const QString a11yBus = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString a11yStatus = QStringLiteral("org.a11y.Status");
const QString& secureRole = AtspiRoles::secure;

// One element of another application; holds a reference to libatspi's object for it. libatspi
// keeps a single object per element, so the object's address is the element's identity.
class AtspiRef final : public AXElementRef {
public:
    explicit AtspiRef(AtspiAccessible* adopted) : m_accessible(adopted) {}
    const void* identity() const override { return m_accessible.get(); }
    AtspiAccessible* accessible() const { return m_accessible.get(); }

private:
    GRef<AtspiAccessible> m_accessible;
};

class SystemWideRef final : public AXElementRef {
public:
    const void* identity() const override { return this; }
};

AXElement adopt(AtspiAccessible* accessible) {
    if (!accessible)
        return {};
    return AXElement(std::make_shared<AtspiRef>(accessible));
}

AXElement share(AtspiAccessible* accessible) {
    if (!accessible)
        return {};
    return adopt(static_cast<AtspiAccessible*>(g_object_ref(accessible)));
}

AtspiAccessible* accessibleOf(const AXElement& element) {
    auto* ref = dynamic_cast<AtspiRef*>(element.ref());
    return ref ? ref->accessible() : nullptr;
}

// The name of `a`'s application on the accessibility bus: what tells applications apart before
// anything is asked of them, and where the ping to a hung one goes. This is the one read of
// libatspi's private fields: libatspi has no public call for the name, and the public calls that
// lead to the application (its element) ask the application itself, which a hung one would make
// wait for the whole time-out.
QByteArray busNameOf(AtspiAccessible* a) {
    if (!a || !a->parent.app || !a->parent.app->bus_name)
        return {};
    return QByteArray(a->parent.app->bus_name);
}

AXError errorOf(const GError* error) {
    // libatspi's error domain and its "application gone" code (0) are not in its public headers.
    if (error && error->domain == g_quark_from_static_string("atspi_error") && error->code == 0)
        return AXError::invalidUIElement;
    return AXError::cannotComplete;
}

bool hasState(AtspiAccessible* a, AtspiStateType state) {
    GRef<AtspiStateSet> set(atspi_accessible_get_state_set(a));
    return set && atspi_state_set_contains(set.get(), state);
}

// A text the user types into: editable, with text to read. (Chromium's fields have no EditableText.)
bool isTypedInto(AtspiAccessible* a) {
    if (!a || !hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    return bool(text);
}

std::optional<Rect> rectOf(AtspiRect* handedOver) {
    const GOwned<AtspiRect> r(handedOver);
    if (!r)
        return std::nullopt;
    return Rect(r->x, r->y, r->width, r->height);
}

void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

class AtspiAccessibility::Impl {
public:
    Impl(std::function<std::optional<qint32>()> active, std::function<std::optional<QRectF>(qint32)> frame)
        : activePid(std::move(active)), windowFrame(std::move(frame)) {}
    ~Impl() {
        if (listener) {
            for (const char* type : eventTypes)
                atspi_event_listener_deregister(listener, type, nullptr);
            if (windowEventsRegistered)
                for (const char* type : windowEventTypes)
                    atspi_event_listener_deregister(listener, type, nullptr);
            g_object_unref(listener);
        }
    }

    bool isHung(AtspiAccessible* a) const { return hung.contains(busNameOf(a)); }

    // Every read and write of an element goes through here: `operation` asks the element's
    // application, unless it is hung, under the hung-application guard. `ofNoApplication` answers
    // for an element of no application (the system-wide one).
    template <typename Operation, typename Other>
    AXError ask(const AXElement& element, Operation operation, Other ofNoApplication) {
        if (element.isNull())
            return AXError::illegalArgument;
        if (!ensureInit())
            return AXError::apiDisabled;
        AtspiAccessible* a = accessibleOf(element);
        if (!a)
            return ofNoApplication();
        if (isHung(a))
            return AXError::cannotComplete;
        return hung.guard(busNameOf(a), operation);
    }

    static bool busReachable() {
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        return bus && bus->isServiceRegistered(a11yBus).value();
    }

    bool ensureInit() {
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
                              GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO),
                              quiet, nullptr);
        initialized = true;
        desktop.reset(atspi_get_desktop(0));
        listener = atspi_event_listener_new(&Impl::onEvent, this, nullptr);
        for (const char* type : eventTypes)
            atspi_event_listener_register(listener, type, nullptr);
        if (windowSink)
            registerWindowEvents();
        return true;
    }

    void registerWindowEvents() {
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

    void announceAllActiveWindows() {
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

    // An application may join the bus after its window became active (a slow start, or an event
    // lost under load): the window holding the active state is taken as the activation.
    void activeWindowsOf(AtspiAccessible* app, std::vector<FocusEvent>& out) {
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

    // Whether `a` is one of its application's windows: the active state is also set on menus
    // and other parts inside a window, which say nothing about which window is in front.
    static bool isTopLevel(AtspiAccessible* a) {
        GRef<AtspiAccessible> parent(atspi_accessible_get_parent(a, nullptr));
        return parent && atspi_accessible_get_role(parent.get(), nullptr) == ATSPI_ROLE_APPLICATION;
    }

    // Runs inside libatspi, sometimes in the middle of another call of ours: only record.
    static void onEvent(AtspiEvent* event, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (!event || !event->source || !event->type)
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

    void flush();

    qint32 pidOf(AtspiAccessible* a) {
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

    // The application of process `pid`, with a reference for the caller. One process may have
    // several on the bus: a Qt program on a GNOME desktop loads GTK, which registers a second,
    // empty application beside Qt's. The one with windows is the program's; an empty one is taken
    // only when there is nothing else. Our own are never asked (they answer on this very thread).
    AtspiAccessible* appElement(qint32 pid) {
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
            if (own || atspi_accessible_get_child_count(app.get(), nullptr) > 0)
                return app.release();
            if (!empty)
                empty = std::move(app);
        }
        return empty.release();
    }

    // The focused element of the active application, or null.
    AXElement focusedElement() {
        AXElement found = findFocusedElement();
        if (isTypedInto(accessibleOf(found))) {
            lastTyped = found;
            pidOfLastTyped = pidOf(accessibleOf(found));
        }
        return found;
    }

    AXElement findFocusedElement() {
        if (!ensureInit())
            return {};
        if (focusOverride) {
            if (AXElement named = focusOverride(); !named.isNull())
                return named;
        }
        std::optional<qint32> active = activePid ? activePid() : std::nullopt;
        if (windowSink && active == 0 &&
            (!lastRescan.isValid() || lastRescan.elapsed() >= rescanIntervalMs)) {
            // An activation lost under load would leave the desktop without a front window until
            // the next one: the windows themselves say which is active. Asked at most once a
            // second, since while one of our own windows is in front no other window is active.
            lastRescan.start();
            announceAllActiveWindows();
            active = activePid();
            if (AXElement named = focusOverride ? focusOverride() : AXElement(); !named.isNull())
                return named;
        }
        if (active && (*active == 0 || *active == qint32(::getpid())))
            return {};
        AXElement claimed;
        if (AtspiAccessible* last = accessibleOf(lastFocused)) {
            if ((!active || lastFocusedPid == *active) && !isHung(last) &&
                hasState(last, ATSPI_STATE_FOCUSED)) {
                if (isTypedInto(last))
                    return lastFocused;
                // Qt also claims the focus for the current item of a list that does not have it,
                // while the text keeps the keyboard and says so.
                if (AtspiAccessible* typed = accessibleOf(lastTyped);
                    typed && pidOfLastTyped == lastFocusedPid && !isHung(typed) &&
                    hasState(typed, ATSPI_STATE_FOCUSED) && isTypedInto(typed))
                    return lastTyped;
                // A container that claims the focus (a KDE editor's view, an office document's
                // panel): the text inside it is where the user types.
                if (AXElement inner = searchFocus(lastFocused); isTypedInto(accessibleOf(inner)))
                    return inner;
                // Qt reports the focus on a child of its text view as well.
                GRef<AtspiAccessible> parent(atspi_accessible_get_parent(last, nullptr));
                if (parent && isTypedInto(parent.get()) && hasState(parent.get(), ATSPI_STATE_FOCUSED))
                    return share(parent.get());
                // Qt also leaves the focus claimed by a tab while the text in it has the keyboard.
                claimed = lastFocused;
            }
        }
        if (!active)
            return claimed;
        // A text that takes the keyboard without claiming the focus shows where it is by its caret.
        // Its states are asked afresh: a toolkit without a cache on the bus (GTK 4) announces no
        // change of them.
        if (AtspiAccessible* caret = accessibleOf(caretTrail.candidate(*active)))
            atspi_accessible_clear_cache(caret);
        if (AtspiAccessible* caret = accessibleOf(caretTrail.candidate(*active));
            caret && !isHung(caret) && isTypedInto(caret) && isInActiveWindow(caret))
            return caretTrail.candidate(*active);
        GRef<AtspiAccessible> app(appElement(*active));
        if (!app)
            return claimed;
        // No usable focus event yet (the program or the application just started): ask the windows,
        // the active one first.
        const int count = atspi_accessible_get_child_count(app.get(), nullptr);
        std::vector<GRef<AtspiAccessible>> windows;
        for (int i = 0; i < count; ++i) {
            GRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app.get(), i, nullptr));
            if (!window)
                continue;
            if (hasState(window.get(), ATSPI_STATE_ACTIVE)) {
                windows.insert(windows.begin(), std::move(window));
            } else if (claimed.isNull()) {
                windows.push_back(std::move(window));
            }
        }
        for (const auto& window : windows) {
            AXElement found = focusedDescendant(window.get());
            if (!claimed.isNull())
                return isTypedInto(accessibleOf(found)) ? found : claimed;
            if (found)
                return found;
        }
        return claimed;
    }

    AXElement focusedDescendant(AtspiAccessible* window) {
        GRef<AtspiCollection> collection(atspi_accessible_get_collection_iface(window));
        if (!collection)
            return searchFocus(share(window));
        GRef<AtspiStateSet> states(atspi_state_set_new(nullptr));
        atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
        GRef<AtspiMatchRule> rule(atspi_match_rule_new(
            states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
            ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
        // Containers may claim the focus along with the text inside them: look at a few matches.
        GArray* matches = atspi_collection_get_matches(
            collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 8, TRUE, nullptr);
        if (!matches)
            return {};
        std::vector<AXElement> found;
        for (guint i = 0; i < matches->len; ++i)
            found.push_back(adopt(g_array_index(matches, AtspiAccessible*, i)));
        g_array_free(matches, TRUE);
        for (const AXElement& e : found) {
            if (isTypedInto(accessibleOf(e)))
                return e;
        }
        if (found.empty())
            return {};
        if (AXElement inner = searchFocus(found.back()); !inner.isNull())
            return inner;
        return found.back();
    }

    class Tree;
    // A bounded walk below `root` for the deepest focused element, editable text first.
    AXElement searchFocus(const AXElement& root);

    // What the toolkit of an application does differently from the others, asked once per application.
    struct Toolkit {
        // Whether it sets the showing state on what it draws. GTK 4 leaves it off on everything
        // below the window.
        bool setsShowing = true;
        // Whether it counts text offsets and lengths in UTF-16 code units rather than in characters.
        // Qt does: it hands its widgets' own positions through unchanged, and cuts or pads an
        // inserted text to the length given, so a byte count (which GTK asks for) would fill the
        // field with garbage, and a character offset would land short of every emoji before it.
        bool countsUtf16 = false;
        // Whether it is Gecko. Firefox and Thunderbird read a text that ends with a line break out
        // with one more: the empty last line their editor keeps for the caret.
        bool gecko = false;
    };

    Toolkit toolkitOf(AtspiAccessible* a) {
        const QByteArray bus = busNameOf(a);
        auto it = toolkitByBus.find(bus);
        if (it != toolkitByBus.end())
            return *it;
        Toolkit toolkit;
        GRef<AtspiAccessible> application(atspi_accessible_get_application(a, nullptr));
        if (application) {
            GOwned<gchar> name(atspi_accessible_get_toolkit_name(application.get(), nullptr));
            const auto is = [&](const char* toolkitName) {
                return name && g_ascii_strcasecmp(name.get(), toolkitName) == 0;
            };
            if (is("gtk")) {
                GOwned<gchar> version(atspi_accessible_get_toolkit_version(application.get(), nullptr));
                const gchar* v = version.get();
                toolkit.setsShowing = !(v && v[0] >= '4' && v[0] <= '9' && v[1] == '.');
            }
            toolkit.countsUtf16 = is("qt");
            toolkit.gecko = is("gecko");
        }
        return *toolkitByBus.insert(bus, toolkit);
    }

    // The text of `a` as the user has it, from what the application reads out of it.
    QString textOf(AtspiAccessible* a, const QString& readOut) {
        if (readOut.endsWith(QLatin1Char('\n')) && showsExtraFinalBreak(a))
            return readOut.left(readOut.size() - 1);
        return readOut;
    }

    // Whether `a` is text that reads out with an extra final line break. It is no part of the text;
    // left out of every read, a paste or an Undo puts back exactly what was there.
    bool showsExtraFinalBreak(AtspiAccessible* a) {
        return toolkitOf(a).gecko && hasState(a, ATSPI_STATE_EDITABLE);
    }

    // The element's frame in accessibility coordinates, mended where its toolkit answers wrongly.
    std::optional<Rect> frameOf(AtspiAccessible* a, AXError& err);
    // Where the window's contents start on screen when `a`'s toolkit answers relative to them.
    std::optional<QPointF> relativeOrigin(AtspiAccessible* a, qint32 pid);

    static constexpr const char* windowEventTypes[] = {"window:activate", "window:deactivate",
                                                       "object:state-changed:active"};
    static constexpr const char* eventTypes[] = {
        "object:state-changed:focused", "object:state-changed:defunct", "object:children-changed:remove",
        "object:children-changed:add",  "object:text-changed",          "object:bounds-changed",
        "object:text-caret-moved"};

    struct Pending {
        QByteArray type;
        AXElement source;
        int detail1 = 0;
        AXElement child;
    };

    std::function<std::optional<qint32>()> activePid;
    std::function<std::optional<QRectF>(qint32)> windowFrame;
    CompositorWindows* compositor = nullptr;
    std::function<void(const FocusEvent&)> windowSink;
    std::function<AXElement()> focusOverride;
    bool windowEventsRegistered = false;
    static constexpr qint64 rescanIntervalMs = 1000;
    QElapsedTimer lastRescan;
    bool initialized = false;
    HungApplications hung{callTimeoutMs};
    GRef<AtspiAccessible> desktop;
    bool initFailed = false;
    AtspiEventListener* listener = nullptr;
    std::shared_ptr<SystemWideRef> systemWide = std::make_shared<SystemWideRef>();
    QObject context;  // queued deliveries die with it
    std::vector<Pending> queue;
    bool flushPosted = false;
    AXElement lastFocused;
    qint32 lastFocusedPid = 0;
    // The text last found holding the focus.
    AXElement lastTyped;
    qint32 pidOfLastTyped = 0;
    CaretTrail caretTrail;
    QHash<QByteArray, qint32> pidByBus;
    QHash<QByteArray, Toolkit> toolkitByBus;
    // Per application: whether it answers screen extents relative to its window, once that could be
    // told, and the window origin at the last attempt that could not tell.
    struct WindowAnswers {
        std::optional<bool> relative;
        std::optional<QPointF> triedAt;
        AXElement window;  // the top-level element, once found
    };
    QHash<QByteArray, WindowAnswers> windowAnswersByBus;
    // The frame read for a position, kept for the size read right after it, so both halves of
    // one frame come from one reading.
    struct PendingWalk {
        FocusSearch::Walk walk;
        QElapsedTimer started;
    };
    std::vector<PendingWalk> walks;
    AXElement framedElement;
    std::optional<Rect> framed;
    QElapsedTimer framedAt;
    AXObservers observers;
};

void AtspiAccessibility::Impl::flush() {
    flushPosted = false;
    std::vector<Pending> batch;
    batch.swap(queue);
    struct Delivery {
        qint32 pid;
        AXElement element;
        QString name;
    };
    std::vector<Delivery> deliveries;
    std::vector<FocusEvent> windowEvents;
    QSet<qint32> focusChangedIn;
    for (Pending& p : batch) {
        if (p.type.startsWith("object:children-changed:add")) {
            // The desktop gained an application: its process may be the one being waited for.
            if (const qint32 joined = pidOf(accessibleOf(p.child));
                joined > 0 && joined != qint32(::getpid())) {
                deliveries.push_back({joined, p.child, AXNotification::applicationJoined});
                if (windowSink)
                    activeWindowsOf(accessibleOf(p.child), windowEvents);
            }
            continue;
        }
        AtspiAccessible* source = accessibleOf(p.source);
        const qint32 pid = pidOf(source);
        // Our own windows answer on this very thread: asking them anything while we wait would
        // stall until the call times out. The program never follows its own fields this way.
        if (pid == qint32(::getpid()))
            continue;
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
                        windowEvents.push_back({Kind::applicationGone, AXElement(), gone});
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
                return isTypedInto(source);
            };
            if (caretTrail.caretMoved(pid, p.source, isText) && !focusChangedIn.contains(pid)) {
                focusChangedIn.insert(pid);
                deliveries.push_back({pid, p.source, AXNotification::focusedUIElementChanged});
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
                deliveries.push_back({pid, p.source, AXNotification::focusedUIElementChanged});
            }
        } else if (p.type.startsWith("object:state-changed:defunct")) {
            if (p.detail1 == 1)
                deliveries.push_back({pid, p.source, AXNotification::uiElementDestroyed});
        } else if (p.type.startsWith("object:children-changed:remove")) {
            if (!p.child.isNull())
                deliveries.push_back({pid, p.child, AXNotification::uiElementDestroyed});
        } else if (p.type.startsWith("object:text-changed")) {
            deliveries.push_back({pid, p.source, AXNotification::valueChanged});
        } else if (p.type.startsWith("object:bounds-changed")) {
            deliveries.push_back({pid, p.source, AXNotification::windowMoved});
        }
    }
    // The active window and focus are settled before anyone asks for the focused element.
    for (const FocusEvent& e : windowEvents) {
        if (windowSink)
            windowSink(e);
    }
    for (const Delivery& d : deliveries)
        observers.deliver(d.pid, d.element, d.name);
}

// One application's tree for the focus search, read over AT-SPI. Calls to an application that
// stopped answering fail at once.
class AtspiAccessibility::Impl::Tree final : public FocusTree {
public:
    Tree(const Impl& impl, bool setsShowing) : m_impl(impl), m_setsShowing(setsShowing) { m_clock.start(); }
    std::optional<FocusNode> node(const AXElement& element) override {
        AtspiAccessible* a = accessibleOf(element);
        if (!a || m_impl.isHung(a))
            return std::nullopt;
        GRef<AtspiStateSet> set(atspi_accessible_get_state_set(a));
        if (!set || atspi_state_set_contains(set.get(), ATSPI_STATE_DEFUNCT))
            return std::nullopt;
        FocusNode node;
        node.focused = atspi_state_set_contains(set.get(), ATSPI_STATE_FOCUSED);
        // GTK 4 sets the showing state on the window alone; what it hides is not visible either.
        node.showing =
            atspi_state_set_contains(set.get(), m_setsShowing ? ATSPI_STATE_SHOWING : ATSPI_STATE_VISIBLE);
        node.managesDescendants = atspi_state_set_contains(set.get(), ATSPI_STATE_MANAGES_DESCENDANTS);
        // Only a focused element needs the further question.
        node.editableText = node.focused && atspi_state_set_contains(set.get(), ATSPI_STATE_EDITABLE) &&
                            GRef<AtspiText>(atspi_accessible_get_text_iface(a));
        return node;
    }
    std::vector<AXElement> children(const AXElement& element) override {
        std::vector<AXElement> result;
        AtspiAccessible* a = accessibleOf(element);
        if (!a)
            return result;
        GErrorHolder error;
        const int count = atspi_accessible_get_child_count(a, &error);
        for (int i = 0; !error && i < count; ++i) {
            if (AXElement child = adopt(atspi_accessible_get_child_at_index(a, i, nullptr)))
                result.push_back(std::move(child));
        }
        return result;
    }
    std::chrono::milliseconds now() override { return std::chrono::milliseconds(m_clock.elapsed()); }

private:
    const Impl& m_impl;
    bool m_setsShowing;
    QElapsedTimer m_clock;
};

AXElement AtspiAccessibility::Impl::searchFocus(const AXElement& root) {
    AtspiAccessible* a = accessibleOf(root);
    if (!a)
        return {};
    Tree tree(*this, toolkitOf(a).setsShowing);
    // A search of a window that ran out of time goes on where it stopped, so a slow application's
    // window is read to the end over a few attempts.
    std::erase_if(walks, [](const PendingWalk& w) { return w.started.elapsed() > 3000; });
    auto it =
        std::find_if(walks.begin(), walks.end(), [&](const PendingWalk& w) { return w.walk.root() == root; });
    if (it == walks.end()) {
        walks.push_back(PendingWalk{FocusSearch::Walk(root), {}});
        walks.back().started.start();
        it = std::prev(walks.end());
    }
    const bool done = it->walk.resume(tree);
    AXElement found = it->walk.result();
    if (done || isTypedInto(accessibleOf(found)))
        walks.erase(it);
    return found;
}

std::optional<QPointF> AtspiAccessibility::Impl::relativeOrigin(AtspiAccessible* a, qint32 pid) {
    if (!windowFrame)
        return std::nullopt;
    WindowAnswers& answers = windowAnswersByBus[busNameOf(a)];
    if (answers.relative == false)
        return std::nullopt;
    const std::optional<QRectF> x11 = windowFrame(pid);
    if (!x11)
        return std::nullopt;
    const auto extents = [](AtspiAccessible* window, AtspiCoordType type) -> std::optional<Rect> {
        GRef<AtspiComponent> component(atspi_accessible_get_component_iface(window));
        if (!component)
            return std::nullopt;
        return rectOf(atspi_component_get_extents(component.get(), type, nullptr));
    };
    if (!answers.relative) {
        if (x11->topLeft() == answers.triedAt)
            return std::nullopt;
        answers.triedAt = x11->topLeft();
        GRef<AtspiAccessible> window(topLevelOf(a));
        if (!window)
            return std::nullopt;
        answers.relative = ElementFrame::answersWindowRelative(extents(window.get(), ATSPI_COORD_TYPE_SCREEN),
                                                               extents(window.get(), ATSPI_COORD_TYPE_WINDOW),
                                                               x11->topLeft());
        if (answers.relative != true)
            return std::nullopt;
        answers.window = share(window.get());
    }
    AtspiAccessible* window = accessibleOf(answers.window);
    return ElementFrame::contentOrigin(*x11,
                                       window ? extents(window, ATSPI_COORD_TYPE_WINDOW) : std::nullopt);
}

std::optional<Rect> AtspiAccessibility::Impl::frameOf(AtspiAccessible* a, AXError& err) {
    if (compositor && compositor->knowsWindows())
        return AtspiWindowFrame::of(a, *compositor, err);
    GRef<AtspiComponent> component(atspi_accessible_get_component_iface(a));
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!component && !text) {
        err = AXError::attributeUnsupported;
        return std::nullopt;
    }
    std::optional<Rect> screen;
    if (component) {
        GErrorHolder error;
        screen = rectOf(atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error));
        if (error) {
            err = errorOf(error.error);
            return std::nullopt;
        }
    }
    std::optional<QPointF> origin;
    if (screen && ElementFrame::isReal(*screen))
        origin = relativeOrigin(a, pidOf(a));
    // Where the element itself has no extents (Firefox, before its window first moves), its text
    // still has: the whole text's, else the caret's character.
    const auto textExtents = [&]() -> std::optional<Rect> {
        if (!text)
            return std::nullopt;
        const int count = atspi_text_get_character_count(text.get(), nullptr);
        std::optional<Rect> range;
        if (count > 0)
            range =
                rectOf(atspi_text_get_range_extents(text.get(), 0, count, ATSPI_COORD_TYPE_SCREEN, nullptr));
        if (range && ElementFrame::isReal(*range))
            return range;
        const int caret = atspi_text_get_caret_offset(text.get(), nullptr);
        return rectOf(atspi_text_get_character_extents(text.get(), std::max(caret, 0),
                                                       ATSPI_COORD_TYPE_SCREEN, nullptr));
    };
    std::optional<Rect> frame = ElementFrame::resolve(screen, origin.has_value(), origin, textExtents);
    if (!frame)
        err = AXError::noValue;
    return frame;
}

AtspiAccessibility::AtspiAccessibility(std::function<std::optional<qint32>()> activePid,
                                       std::function<std::optional<QRectF>(qint32)> windowFrame)
    : d(std::make_unique<Impl>(std::move(activePid), std::move(windowFrame))) {}

AtspiAccessibility::~AtspiAccessibility() = default;

void AtspiAccessibility::setCompositorWindows(CompositorWindows* windows) {
    d->compositor = windows;
}

bool AtspiAccessibility::isProcessTrusted() {
    if (!Impl::busReachable())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        a11yBus, a11yPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << a11yStatus << QStringLiteral("IsEnabled");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

void AtspiAccessibility::requestTrust() {
    QDBusMessage set = QDBusMessage::createMethodCall(
        a11yBus, a11yPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    set << a11yStatus << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    QDBusConnection::sessionBus().call(set, QDBus::Block, 2000);
}

bool AtspiAccessibility::isSecureEventInputEnabled() {
    if (!d->ensureInit())
        return false;
    AXElement candidate = d->lastFocused;
    AtspiAccessible* a = accessibleOf(candidate);
    if (!a || d->isHung(a) || !hasState(a, ATSPI_STATE_FOCUSED)) {
        candidate = d->focusedElement();
        a = accessibleOf(candidate);
    }
    return a && atspi_accessible_get_role(a, nullptr) == ATSPI_ROLE_PASSWORD_TEXT;
}

void AtspiAccessibility::followWindowEvents(std::function<void(const FocusEvent&)> sink,
                                            std::function<AXElement()> focused) {
    d->windowSink = std::move(sink);
    d->focusOverride = std::move(focused);
    if (d->initialized)
        d->registerWindowEvents();
    else
        d->ensureInit();
}

AXElement AtspiAccessibility::systemWide() {
    return AXElement(d->systemWide);
}

void AtspiAccessibility::startListening() {
    // Registering the event listeners is part of joining the bus.
    d->ensureInit();
}

AXElement AtspiAccessibility::application(qint32 pid) {
    return adopt(d->appElement(pid));
}

std::optional<QString> AtspiAccessibility::applicationName(qint32 pid) {
    // Our own windows answer on this very thread: asking them would stall everything, painting
    // included, until the call times out. The program knows its own name.
    if (pid == qint32(::getpid())) {
        const QString own = QCoreApplication::applicationName();
        return own.isEmpty() ? std::nullopt : std::optional<QString>(own);
    }
    GRef<AtspiAccessible> app(d->appElement(pid));
    if (!app)
        return std::nullopt;
    std::optional<QString> name;
    d->hung.guard(busNameOf(app.get()), [&] {
        name = takeString(atspi_accessible_get_name(app.get(), nullptr));
        return name && !name->isEmpty() ? AXError::success : AXError::noValue;
    });
    if (!name || name->isEmpty())
        return std::nullopt;
    return name;
}

namespace {

std::optional<QString> readText(AtspiAccessible* a, AXError& err, int start = 0, int end = -1) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text) {
        err = AXError::attributeUnsupported;
        return std::nullopt;
    }
    GErrorHolder error;
    std::optional<QString> result = takeString(atspi_text_get_text(text.get(), start, end, &error));
    // GTK 4's entries answer "up to the end" with nothing: the end is asked for then.
    if (!error && result && result->isEmpty() && end < 0 &&
        (end = atspi_text_get_character_count(text.get(), &error)) > 0)
        result = takeString(atspi_text_get_text(text.get(), start, end, &error));
    if (error || !result) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    return result;
}

// Selection 0 in characters; empty when there is none.
std::optional<std::pair<int, int>> selectionOf(AtspiText* text, AXError& err) {
    GErrorHolder error;
    const int n = atspi_text_get_n_selections(text, &error);
    if (error) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    if (n <= 0) {
        err = AXError::noValue;
        return std::nullopt;
    }
    const GOwned<AtspiRange> range(atspi_text_get_selection(text, 0, &error));
    if (error || !range) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    return std::pair<int, int>{std::min(range->start_offset, range->end_offset),
                               std::max(range->start_offset, range->end_offset)};
}

// Selection 0 in characters, else the caret as an empty selection; `noCaret` when there is neither.
std::optional<std::pair<int, int>> selectionOrCaret(AtspiText* text, AXError& err, AXError noCaret) {
    std::optional<std::pair<int, int>> sel = selectionOf(text, err);
    if (sel || err != AXError::noValue)
        return sel;
    GErrorHolder error;
    const int caret = atspi_text_get_caret_offset(text, &error);
    if (error || caret < 0) {
        err = error ? errorOf(error.error) : noCaret;
        return std::nullopt;
    }
    return std::pair<int, int>{caret, caret};
}

// The characters from `sel.first` to `sel.second` of `shown` as the program counts them.
AXTextRange unitsOf(const QString& shown, std::pair<int, int> sel) {
    const qint64 start = utf16Offset(shown, sel.first);
    return AXTextRange{start, utf16Offset(shown, sel.second) - start};
}

}  // namespace

AXError AtspiAccessibility::copyAttributeNow(const AXElement& element, const QString& attribute,
                                             AXValue& out) {
    AtspiAccessible* a = accessibleOf(element);
    AXError err = AXError::success;
    if (attribute == AXAttr::role || attribute == AXAttr::subrole) {
        GErrorHolder error;
        const AtspiRole role = atspi_accessible_get_role(a, &error);
        if (error)
            return errorOf(error.error);
        if (attribute == AXAttr::role) {
            out = AtspiRoles::nameOf(a, role);
        } else {
            if (role != ATSPI_ROLE_PASSWORD_TEXT)
                return AXError::noValue;
            out = secureRole;
        }
        return AXError::success;
    }
    if (attribute == AXAttr::value) {
        std::optional<QString> text = readText(a, err);
        if (!text)
            return err;
        out = withoutPadding(d->textOf(a, *text));
        return AXError::success;
    }
    if (attribute == AXAttr::numberOfCharacters || attribute == AXAttr::caretOffset) {
        // One small answer each, whatever the text's length: what the focus monitor reads on every tick.
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        GErrorHolder error;
        const int n = attribute == AXAttr::numberOfCharacters
                          ? atspi_text_get_character_count(text.get(), &error)
                          : atspi_text_get_caret_offset(text.get(), &error);
        if (error)
            return errorOf(error.error);
        if (n < 0)
            return AXError::noValue;
        out = qint64(n);
        return AXError::success;
    }
    if (attribute == AXAttr::selectedText || attribute == AXAttr::selectedTextRange) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        if (attribute == AXAttr::selectedText) {
            const std::optional<std::pair<int, int>> sel = selectionOf(text.get(), err);
            if (!sel)
                return err;
            if (sel->first == sel->second) {
                out = QString();
                return AXError::success;
            }
            if (d->showsExtraFinalBreak(a)) {
                // A selection up to the end takes in the extra line break: cut from the text itself.
                std::optional<QString> whole = readText(a, err);
                if (!whole)
                    return err;
                const QString shown = d->textOf(a, *whole);
                const AXTextRange range = unitsOf(shown, *sel);
                out = withoutPadding(shown).mid(range.location, range.length);
                return AXError::success;
            }
            std::optional<QString> part = readText(a, err, sel->first, sel->second);
            if (!part)
                return err;
            out = withoutPadding(*part);
            return AXError::success;
        }
        const std::optional<std::pair<int, int>> sel = selectionOrCaret(text.get(), err, AXError::noValue);
        if (!sel)
            return err;
        std::optional<QString> whole = readText(a, err);
        if (!whole)
            return err;
        if (d->toolkitOf(a).countsUtf16) {
            out = AXTextRange{sel->first, sel->second - sel->first};
            return AXError::success;
        }
        out = unitsOf(d->textOf(a, *whole), *sel);
        return AXError::success;
    }
    if (attribute == AXAttr::position || attribute == AXAttr::size) {
        std::optional<Rect> frame;
        if (attribute == AXAttr::size && d->framedElement == element && d->framedAt.isValid() &&
            d->framedAt.elapsed() < 100) {
            frame = d->framed;
        } else {
            frame = d->frameOf(a, err);
            if (!frame && err != AXError::noValue && err != AXError::attributeUnsupported)
                return err;
        }
        d->framedElement = attribute == AXAttr::position ? element : AXElement();
        d->framed = frame;
        d->framedAt.start();
        if (!frame)
            return err == AXError::success ? AXError::noValue : err;
        if (attribute == AXAttr::position) {
            out = frame->topLeft();
        } else {
            out = frame->size();
        }
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError AtspiAccessibility::isAttributeSettableNow(const AXElement& element, const QString& attribute,
                                                   bool& settable) {
    AtspiAccessible* a = accessibleOf(element);
    if (attribute == AXAttr::value || attribute == AXAttr::selectedText) {
        settable = AtspiRoles::isEditableText(a);
    } else if (attribute == AXAttr::selectedTextRange) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        settable = bool(text);
    } else if (attribute == AXAttr::manualAccessibility) {
        settable = true;
    }
    return AXError::success;
}

AXError AtspiAccessibility::setAttributeNow(const AXElement& element, const QString& attribute,
                                            const AXValue& value) {
    AtspiAccessible* a = accessibleOf(element);
    AXError err = AXError::success;
    GErrorHolder error;
    if (attribute == AXAttr::manualAccessibility)
        return ChromiumAccessibility::requestContents(a);
    if (attribute == AXAttr::value || attribute == AXAttr::selectedText) {
        const QString* text = std::get_if<QString>(&value);
        if (!text)
            return AXError::illegalArgument;
        if (!hasState(a, ATSPI_STATE_EDITABLE))
            return AXError::attributeUnsupported;
        GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(a));
        if (!editable)
            return AXError::attributeUnsupported;
        const QByteArray utf8 = text->toUtf8();
        if (attribute == AXAttr::value) {
            if (!atspi_editable_text_set_text_contents(editable.get(), utf8.constData(), &error) || error)
                return errorOf(error.error);
            return AXError::success;
        }
        GRef<AtspiText> textIface(atspi_accessible_get_text_iface(a));
        if (!textIface)
            return AXError::attributeUnsupported;
        const std::optional<std::pair<int, int>> sel =
            selectionOrCaret(textIface.get(), err, AXError::cannotComplete);
        if (!sel)
            return err;
        if (sel->first != sel->second &&
            (!atspi_editable_text_delete_text(editable.get(), sel->first, sel->second, &error) || error))
            return errorOf(error.error);
        // The length is in bytes for GTK and at least the character count for most others.
        const int length = d->toolkitOf(a).countsUtf16 ? int(text->size()) : int(utf8.size());
        if (!utf8.isEmpty() &&
            (!atspi_editable_text_insert_text(editable.get(), sel->first, utf8.constData(), length, &error) ||
             error))
            return errorOf(error.error);
        return AXError::success;
    }
    if (attribute == AXAttr::selectedTextRange) {
        const AXTextRange* range = std::get_if<AXTextRange>(&value);
        if (!range || range->location < 0 || range->length < 0)
            return AXError::illegalArgument;
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        std::optional<QString> whole = readText(a, err);
        if (!whole)
            return err;
        const bool utf16 = d->toolkitOf(a).countsUtf16;
        const int start = int(utf16 ? range->location : characterOffset(*whole, range->location));
        const int end = int(utf16 ? range->location + range->length
                                  : characterOffset(*whole, range->location + range->length));
        const int n = atspi_text_get_n_selections(text.get(), &error);
        if (error)
            return errorOf(error.error);
        if (start == end) {
            for (int i = n - 1; i >= 0; --i)
                atspi_text_remove_selection(text.get(), i, nullptr);
            if (!atspi_text_set_caret_offset(text.get(), start, &error) || error)
                return errorOf(error.error);
            return AXError::success;
        }
        const gboolean ok = n > 0 ? atspi_text_set_selection(text.get(), 0, start, end, &error)
                                  : atspi_text_add_selection(text.get(), start, end, &error);
        if (!ok || error)
            return errorOf(error.error);
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError AtspiAccessibility::copyAttribute(const AXElement& element, const QString& attribute, AXValue& out) {
    const auto systemWideAttribute = [&] {
        if (element.ref() != d->systemWide.get())
            return AXError::illegalArgument;
        if (attribute != AXAttr::focusedUIElement)
            return AXError::attributeUnsupported;
        AXElement focused = d->focusedElement();
        if (focused.isNull())
            return AXError::noValue;
        out = focused;
        return AXError::success;
    };
    return d->ask(
        element, [&] { return copyAttributeNow(element, attribute, out); }, systemWideAttribute);
}

AXError AtspiAccessibility::isAttributeSettable(const AXElement& element, const QString& attribute,
                                                bool& settable) {
    // The system-wide element has nothing to write.
    return d->ask(
        element, [&] { return isAttributeSettableNow(element, attribute, settable); },
        [] { return AXError::success; });
}

AXError AtspiAccessibility::setAttribute(const AXElement& element, const QString& attribute,
                                         const AXValue& value) {
    return d->ask(
        element, [&] { return setAttributeNow(element, attribute, value); },
        [] { return AXError::illegalArgument; });
}

AXError AtspiAccessibility::pid(const AXElement& element, qint32& pid) {
    if (element.isNull())
        return AXError::illegalArgument;
    if (!d->ensureInit())
        return AXError::apiDisabled;
    AtspiAccessible* a = accessibleOf(element);
    if (!a)
        return AXError::illegalArgument;
    const qint32 owner = d->pidOf(a);
    if (owner <= 0)
        return AXError::cannotComplete;
    pid = owner;
    return AXError::success;
}

std::unique_ptr<AXObserver> AtspiAccessibility::createObserver(qint32 pid, AXNotificationHandler handler) {
    if (pid <= 0 || !handler || !d->ensureInit())
        return nullptr;
    return d->observers.create(pid, std::move(handler));
}

}  // namespace quillet
