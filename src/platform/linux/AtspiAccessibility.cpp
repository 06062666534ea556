#include "platform/linux/AtspiAccessibility.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <vector>

#include <atspi/atspi.h>
#include <dbus/dbus.h>

namespace quillet {

namespace {

const QString a11yBus = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString a11yStatus = QStringLiteral("org.a11y.Status");
const QString secureRole = QStringLiteral("AXSecureTextField");

struct GObjectUnref {
    void operator()(gpointer p) const {
        if (p)
            g_object_unref(p);
    }
};
template <typename T>
using GRef = std::unique_ptr<T, GObjectUnref>;

struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error)
            g_error_free(error);
    }
    GError** operator&() { return &error; }
    explicit operator bool() const { return error != nullptr; }
};

// One element of another application; holds a reference to libatspi's object for it. libatspi
// keeps a single object per element, so the object's address is the element's identity.
class AtspiRef final : public AXElementRef {
public:
    explicit AtspiRef(AtspiAccessible* adopted) : m_accessible(adopted) {}
    ~AtspiRef() override { g_object_unref(m_accessible); }
    const void* identity() const override { return m_accessible; }
    AtspiAccessible* accessible() const { return m_accessible; }

private:
    AtspiAccessible* m_accessible;
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

// Firefox follows every character outside the Basic Multilingual Plane with a U+FEFF of its own, so
// that its character offsets count like UTF-16 units. That padding is no part of the text: it is
// never handed on, and it takes no room in the program's offsets.
bool isPadding(const QString& text, qint64 i) {
    return text.at(i) == QChar(0xFEFF) && i >= 2 && text.at(i - 1).isLowSurrogate() &&
           text.at(i - 2).isHighSurrogate();
}

QString withoutPadding(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qint64 i = 0; i < text.size(); ++i) {
        if (!isPadding(text, i))
            result.append(text.at(i));
    }
    return result;
}

// AT-SPI counts text offsets in characters (code points) of `text` as the application reads it; the
// program counts UTF-16 code units of the text without padding.
qint64 utf16Offset(const QString& text, qint64 characters) {
    qint64 units = 0;
    qint64 i = 0;
    for (qint64 seen = 0; seen < characters && i < text.size(); ++seen) {
        const qint64 width = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (!isPadding(text, i))
            units += width;
        i += width;
    }
    return units;
}

qint64 characterOffset(const QString& text, qint64 units) {
    qint64 characters = 0;
    qint64 i = 0;
    for (qint64 seen = 0; seen < units && i < text.size(); ++characters) {
        const qint64 width = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (!isPadding(text, i))
            seen += width;
        i += width;
    }
    // A position just past a padded character lies past its padding too.
    if (i < text.size() && isPadding(text, i))
        ++characters;
    return characters;
}

// Applications that stopped answering: calls to them fail at once until they answer a ping.
QSet<QByteArray>& hungBuses() {
    static QSet<QByteArray> buses;
    return buses;
}

void pingAnswered(DBusPendingCall* pending, void* data) {
    hungBuses().remove(*static_cast<QByteArray*>(data));
    dbus_pending_call_unref(pending);
}

void markHung(AtspiAccessible* a) {
    const QByteArray bus = busNameOf(a);
    if (bus.isEmpty() || hungBuses().contains(bus) || !a->parent.app->bus)
        return;
    DBusMessage* ping =
        dbus_message_new_method_call(bus.constData(), "/", "org.freedesktop.DBus.Peer", "Ping");
    if (!ping)
        return;
    DBusPendingCall* pending = nullptr;
    if (dbus_connection_send_with_reply(a->parent.app->bus, ping, &pending, DBUS_TIMEOUT_INFINITE) &&
        pending) {
        hungBuses().insert(bus);
        dbus_pending_call_set_notify(pending, pingAnswered, new QByteArray(bus),
                                     [](void* p) { delete static_cast<QByteArray*>(p); });
    }
    dbus_message_unref(ping);
}

void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

class AtspiAccessibility::Impl {
public:
    class Observer;

    explicit Impl(std::function<std::optional<qint32>()> active) : activePid(std::move(active)) {}
    ~Impl() {
        if (listener) {
            for (const char* type : eventTypes)
                atspi_event_listener_deregister(listener, type, nullptr);
            g_object_unref(listener);
        }
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
        listener = atspi_event_listener_new(&Impl::onEvent, this, nullptr);
        for (const char* type : eventTypes)
            atspi_event_listener_register(listener, type, nullptr);
        return true;
    }

    // Runs inside libatspi, sometimes in the middle of another call of ours: only record.
    static void onEvent(AtspiEvent* event, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (!event || !event->source || !event->type)
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

    AtspiAccessible* appElement(qint32 pid) {
        if (pid <= 0 || !ensureInit())
            return nullptr;
        GRef<AtspiAccessible> desktop(atspi_get_desktop(0));
        if (!desktop)
            return nullptr;
        const int count = atspi_accessible_get_child_count(desktop.get(), nullptr);
        for (int i = 0; i < count; ++i) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop.get(), i, nullptr);
            if (!app)
                continue;
            if (!hungBuses().contains(busNameOf(app)) && pidOf(app) == pid)
                return app;
            g_object_unref(app);
        }
        return nullptr;
    }

    // The focused element of the active application, or null.
    AXElement focusedElement() {
        if (!ensureInit())
            return {};
        const std::optional<qint32> active = activePid ? activePid() : std::nullopt;
        if (active && (*active == 0 || *active == qint32(::getpid())))
            return {};
        if (AtspiAccessible* last = accessibleOf(lastFocused)) {
            if ((!active || lastFocusedPid == *active) && !hungBuses().contains(busNameOf(last)) &&
                hasState(last, ATSPI_STATE_FOCUSED))
                return lastFocused;
        }
        if (!active)
            return {};
        GRef<AtspiAccessible> app(appElement(*active));
        if (!app)
            return {};
        // No usable focus event yet (the program just started): ask the active window.
        const int count = atspi_accessible_get_child_count(app.get(), nullptr);
        std::vector<GRef<AtspiAccessible>> windows;
        for (int i = 0; i < count; ++i) {
            GRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app.get(), i, nullptr));
            if (!window)
                continue;
            if (hasState(window.get(), ATSPI_STATE_ACTIVE)) {
                windows.insert(windows.begin(), std::move(window));
            } else {
                windows.push_back(std::move(window));
            }
        }
        for (const auto& window : windows) {
            if (AXElement found = focusedDescendant(window.get()))
                return found;
        }
        return {};
    }

    AXElement focusedDescendant(AtspiAccessible* window) {
        GRef<AtspiCollection> collection(atspi_accessible_get_collection_iface(window));
        if (!collection)
            return {};
        GRef<AtspiStateSet> states(atspi_state_set_new(nullptr));
        atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
        GRef<AtspiMatchRule> rule(atspi_match_rule_new(
            states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
            ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
        GArray* matches = atspi_collection_get_matches(
            collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, nullptr);
        if (!matches)
            return {};
        AXElement found;
        if (matches->len > 0)
            found = adopt(g_array_index(matches, AtspiAccessible*, 0));
        for (guint i = 1; i < matches->len; ++i)
            g_object_unref(g_array_index(matches, AtspiAccessible*, i));
        g_array_free(matches, TRUE);
        return found;
    }

    static constexpr const char* eventTypes[] = {
        "object:state-changed:focused", "object:state-changed:defunct", "object:children-changed:remove",
        "object:text-changed", "object:bounds-changed"};

    struct Pending {
        QByteArray type;
        AXElement source;
        int detail1 = 0;
        AXElement child;
    };

    std::function<std::optional<qint32>()> activePid;
    bool initialized = false;
    bool initFailed = false;
    AtspiEventListener* listener = nullptr;
    std::shared_ptr<SystemWideRef> systemWide = std::make_shared<SystemWideRef>();
    QObject context;  // queued deliveries die with it
    std::vector<Pending> queue;
    bool flushPosted = false;
    AXElement lastFocused;
    qint32 lastFocusedPid = 0;
    QHash<QByteArray, qint32> pidByBus;
    std::vector<Observer*> observers;
};

class AtspiAccessibility::Impl::Observer final : public AXObserver {
public:
    Observer(Impl& impl, qint32 pid, AXNotificationHandler handler)
        : m_impl(impl), m_pid(pid), m_handler(std::move(handler)) {
        m_impl.observers.push_back(this);
    }
    ~Observer() override { std::erase(m_impl.observers, this); }
    AXError addNotification(const AXElement& element, const QString& notification) override {
        if (element.isNull())
            return AXError::illegalArgument;
        if (!m_names.contains(notification))
            m_names << notification;
        return AXError::success;
    }

    Impl& m_impl;
    qint32 m_pid;
    AXNotificationHandler m_handler;
    QStringList m_names;
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
    QSet<qint32> focusChangedIn;
    for (Pending& p : batch) {
        AtspiAccessible* source = accessibleOf(p.source);
        const qint32 pid = pidOf(source);
        // Our own windows answer on this very thread: asking them anything while we wait would
        // stall until the call times out. The program never follows its own fields this way.
        if (pid == qint32(::getpid()))
            continue;
        if (p.type.startsWith("object:state-changed:focused")) {
            if (p.detail1 == 1) {
                lastFocused = p.source;
                lastFocusedPid = pid;
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
    for (const Delivery& d : deliveries) {
        // A handler may create or destroy observers; deliver only to those still alive.
        const std::vector<Observer*> snapshot = observers;
        for (Observer* o : snapshot) {
            if (std::find(observers.begin(), observers.end(), o) == observers.end())
                continue;
            if (o->m_pid == d.pid && o->m_names.contains(d.name))
                o->m_handler(d.element, d.name);
        }
    }
}

AtspiAccessibility::AtspiAccessibility(std::function<std::optional<qint32>()> activePid)
    : d(std::make_unique<Impl>(std::move(activePid))) {}

AtspiAccessibility::~AtspiAccessibility() = default;

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
    if (!a || hungBuses().contains(busNameOf(a)) || !hasState(a, ATSPI_STATE_FOCUSED)) {
        candidate = d->focusedElement();
        a = accessibleOf(candidate);
    }
    return a && atspi_accessible_get_role(a, nullptr) == ATSPI_ROLE_PASSWORD_TEXT;
}

AXElement AtspiAccessibility::systemWide() {
    return AXElement(d->systemWide);
}

AXElement AtspiAccessibility::application(qint32 pid) {
    return adopt(d->appElement(pid));
}

std::optional<QString> AtspiAccessibility::applicationName(qint32 pid) {
    GRef<AtspiAccessible> app(d->appElement(pid));
    if (!app)
        return std::nullopt;
    gchar* name = atspi_accessible_get_name(app.get(), nullptr);
    if (!name)
        return std::nullopt;
    QString result = QString::fromUtf8(name);
    g_free(name);
    if (result.isEmpty())
        return std::nullopt;
    return result;
}

namespace {

// Guards one call to another application: refuses hung ones, and notices a call that ran into
// the time-out so the next ones fail at once.
class Call {
public:
    explicit Call(AtspiAccessible* a) : m_a(a) { m_timer.start(); }
    bool refused() const { return hungBuses().contains(busNameOf(m_a)); }
    AXError failed(const GError* error) {
        if (m_timer.elapsed() >= AtspiAccessibility::callTimeoutMs * 8 / 10)
            markHung(m_a);
        return errorOf(error);
    }

private:
    AtspiAccessible* m_a;
    QElapsedTimer m_timer;
};

std::optional<QString> readText(AtspiAccessible* a, Call& call, AXError& err, int start = 0, int end = -1) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text) {
        err = AXError::attributeUnsupported;
        return std::nullopt;
    }
    GErrorHolder error;
    gchar* raw = atspi_text_get_text(text.get(), start, end, &error);
    if (error || !raw) {
        g_free(raw);
        err = call.failed(error.error);
        return std::nullopt;
    }
    QString result = QString::fromUtf8(raw);
    g_free(raw);
    return result;
}

// Selection 0 in characters; empty when there is none.
std::optional<std::pair<int, int>> selectionOf(AtspiText* text, Call& call, AXError& err) {
    GErrorHolder error;
    const int n = atspi_text_get_n_selections(text, &error);
    if (error) {
        err = call.failed(error.error);
        return std::nullopt;
    }
    if (n <= 0) {
        err = AXError::noValue;
        return std::nullopt;
    }
    AtspiRange* range = atspi_text_get_selection(text, 0, &error);
    if (error || !range) {
        g_free(range);
        err = call.failed(error.error);
        return std::nullopt;
    }
    std::pair<int, int> result{std::min(range->start_offset, range->end_offset),
                               std::max(range->start_offset, range->end_offset)};
    g_free(range);
    return result;
}

QString roleName(AtspiAccessible* a, AtspiRole role) {
    switch (role) {
        case ATSPI_ROLE_ENTRY:
            return QStringLiteral("AXTextField");
        case ATSPI_ROLE_COMBO_BOX:
            return QStringLiteral("AXComboBox");
        case ATSPI_ROLE_PASSWORD_TEXT:
            return secureRole;
        case ATSPI_ROLE_TEXT:
        case ATSPI_ROLE_PARAGRAPH:
        case ATSPI_ROLE_DOCUMENT_TEXT:
            if (hasState(a, ATSPI_STATE_EDITABLE))
                return QStringLiteral("AXTextArea");
            break;
        default:
            break;
    }
    gchar* name = atspi_role_get_name(role);
    QString result = name ? QString::fromUtf8(name) : QStringLiteral("unknown");
    g_free(name);
    return result;
}

bool isEditableText(AtspiAccessible* a) {
    if (!hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(a));
    return bool(editable);
}

}  // namespace

AXError AtspiAccessibility::copyAttributeNow(const AXElement& element, const QString& attribute,
                                             AXValue& out) {
    if (element.isNull())
        return AXError::illegalArgument;
    if (!d->ensureInit())
        return AXError::apiDisabled;
    if (element.ref() == d->systemWide.get()) {
        if (attribute != AXAttr::focusedUIElement)
            return AXError::attributeUnsupported;
        AXElement focused = d->focusedElement();
        if (focused.isNull())
            return AXError::noValue;
        out = focused;
        return AXError::success;
    }
    AtspiAccessible* a = accessibleOf(element);
    if (!a)
        return AXError::illegalArgument;
    Call call(a);
    if (call.refused())
        return AXError::cannotComplete;

    AXError err = AXError::success;
    if (attribute == AXAttr::role || attribute == AXAttr::subrole) {
        GErrorHolder error;
        const AtspiRole role = atspi_accessible_get_role(a, &error);
        if (error)
            return call.failed(error.error);
        if (attribute == AXAttr::role) {
            out = roleName(a, role);
        } else {
            if (role != ATSPI_ROLE_PASSWORD_TEXT)
                return AXError::noValue;
            out = secureRole;
        }
        return AXError::success;
    }
    if (attribute == AXAttr::value) {
        std::optional<QString> text = readText(a, call, err);
        if (!text)
            return err;
        out = withoutPadding(*text);
        return AXError::success;
    }
    if (attribute == AXAttr::selectedText || attribute == AXAttr::selectedTextRange) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        std::optional<std::pair<int, int>> sel = selectionOf(text.get(), call, err);
        if (attribute == AXAttr::selectedText) {
            if (!sel)
                return err;
            if (sel->first == sel->second) {
                out = QString();
                return AXError::success;
            }
            std::optional<QString> part = readText(a, call, err, sel->first, sel->second);
            if (!part)
                return err;
            out = withoutPadding(*part);
            return AXError::success;
        }
        if (!sel) {
            if (err != AXError::noValue)
                return err;
            GErrorHolder error;
            const int caret = atspi_text_get_caret_offset(text.get(), &error);
            if (error || caret < 0)
                return error ? call.failed(error.error) : AXError::noValue;
            sel = std::pair<int, int>{caret, caret};
        }
        std::optional<QString> whole = readText(a, call, err);
        if (!whole)
            return err;
        const qint64 start = utf16Offset(*whole, sel->first);
        out = AXTextRange{start, utf16Offset(*whole, sel->second) - start};
        return AXError::success;
    }
    if (attribute == AXAttr::position || attribute == AXAttr::size) {
        GRef<AtspiComponent> component(atspi_accessible_get_component_iface(a));
        if (!component)
            return AXError::attributeUnsupported;
        GErrorHolder error;
        AtspiPoint* p = attribute == AXAttr::position
                            ? atspi_component_get_position(component.get(), ATSPI_COORD_TYPE_SCREEN, &error)
                            : atspi_component_get_size(component.get(), &error);
        if (error || !p) {
            g_free(p);
            return call.failed(error.error);
        }
        if (attribute == AXAttr::position) {
            out = QPointF(p->x, p->y);
        } else {
            out = QSizeF(p->x, p->y);
        }
        g_free(p);
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError AtspiAccessibility::isAttributeSettableNow(const AXElement& element, const QString& attribute,
                                                   bool& settable) {
    if (element.isNull())
        return AXError::illegalArgument;
    if (!d->ensureInit())
        return AXError::apiDisabled;
    AtspiAccessible* a = accessibleOf(element);
    if (!a)
        return AXError::success;  // the system-wide element has nothing to write
    Call call(a);
    if (call.refused())
        return AXError::cannotComplete;
    if (attribute == AXAttr::value || attribute == AXAttr::selectedText) {
        settable = isEditableText(a);
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
    if (element.isNull())
        return AXError::illegalArgument;
    // Nothing to switch on per application here: every toolkit talks once the desktop switch is on.
    if (attribute == AXAttr::manualAccessibility)
        return AXError::success;
    if (!d->ensureInit())
        return AXError::apiDisabled;
    AtspiAccessible* a = accessibleOf(element);
    if (!a)
        return AXError::illegalArgument;
    Call call(a);
    if (call.refused())
        return AXError::cannotComplete;
    AXError err = AXError::success;
    GErrorHolder error;

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
                return call.failed(error.error);
            return AXError::success;
        }
        GRef<AtspiText> textIface(atspi_accessible_get_text_iface(a));
        if (!textIface)
            return AXError::attributeUnsupported;
        std::optional<std::pair<int, int>> sel = selectionOf(textIface.get(), call, err);
        if (!sel) {
            if (err != AXError::noValue)
                return err;
            const int caret = atspi_text_get_caret_offset(textIface.get(), &error);
            if (error || caret < 0)
                return error ? call.failed(error.error) : AXError::cannotComplete;
            sel = std::pair<int, int>{caret, caret};
        }
        if (sel->first != sel->second &&
            (!atspi_editable_text_delete_text(editable.get(), sel->first, sel->second, &error) || error))
            return call.failed(error.error);
        // The length is in bytes for GTK and at least the character count for the others.
        if (!utf8.isEmpty() && (!atspi_editable_text_insert_text(editable.get(), sel->first, utf8.constData(),
                                                                 int(utf8.size()), &error) ||
                                error))
            return call.failed(error.error);
        return AXError::success;
    }
    if (attribute == AXAttr::selectedTextRange) {
        const AXTextRange* range = std::get_if<AXTextRange>(&value);
        if (!range || range->location < 0 || range->length < 0)
            return AXError::illegalArgument;
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        std::optional<QString> whole = readText(a, call, err);
        if (!whole)
            return err;
        const int start = int(characterOffset(*whole, range->location));
        const int end = int(characterOffset(*whole, range->location + range->length));
        const int n = atspi_text_get_n_selections(text.get(), &error);
        if (error)
            return call.failed(error.error);
        if (start == end) {
            for (int i = n - 1; i >= 0; --i)
                atspi_text_remove_selection(text.get(), i, nullptr);
            if (!atspi_text_set_caret_offset(text.get(), start, &error) || error)
                return call.failed(error.error);
            return AXError::success;
        }
        const gboolean ok = n > 0 ? atspi_text_set_selection(text.get(), 0, start, end, &error)
                                  : atspi_text_add_selection(text.get(), start, end, &error);
        if (!ok || error)
            return call.failed(error.error);
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

namespace {

// Whatever part of an operation ran into the time-out (fetching an interface, a state, the value),
// the application is treated as hung from then on, until it answers a ping.
template <typename Operation>
AXError timed(const AXElement& element, Operation operation) {
    QElapsedTimer timer;
    timer.start();
    const AXError result = operation();
    if (result != AXError::success && timer.elapsed() >= AtspiAccessibility::callTimeoutMs * 8 / 10) {
        if (AtspiAccessible* a = accessibleOf(element))
            markHung(a);
    }
    return result;
}

}  // namespace

AXError AtspiAccessibility::copyAttribute(const AXElement& element, const QString& attribute, AXValue& out) {
    return timed(element, [&] { return copyAttributeNow(element, attribute, out); });
}

AXError AtspiAccessibility::isAttributeSettable(const AXElement& element, const QString& attribute,
                                                bool& settable) {
    return timed(element, [&] { return isAttributeSettableNow(element, attribute, settable); });
}

AXError AtspiAccessibility::setAttribute(const AXElement& element, const QString& attribute,
                                         const AXValue& value) {
    return timed(element, [&] { return setAttributeNow(element, attribute, value); });
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
    return std::make_unique<Impl::Observer>(*d, pid, std::move(handler));
}

}  // namespace quillet
