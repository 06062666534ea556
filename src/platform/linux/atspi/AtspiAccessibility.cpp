// The accessibility layer on AT-SPI (libatspi): the permission, and the calls of the interface, each
// asked of its element's application under the hung-application guard.
#include "platform/linux/atspi/AtspiAccessibility.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

namespace quillet {

using namespace atspi;

namespace {

const QString a11yBus = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString a11yStatus = QStringLiteral("org.a11y.Status");

}  // namespace

AtspiAccessibility::AtspiAccessibility(std::function<std::optional<qint32>()> activePid,
                                       std::function<std::optional<QRectF>(qint32)> windowFrame)
    : d(std::make_unique<Impl>(std::move(activePid), std::move(windowFrame))) {}

AtspiAccessibility::~AtspiAccessibility() = default;

void AtspiAccessibility::setCompositorWindows(CompositorWindows* windows) {
    d->compositor = windows;
}

bool AtspiAccessibility::accessibilityEnabled() {
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

void AtspiAccessibility::enableAccessibility() {
    QDBusMessage set = QDBusMessage::createMethodCall(
        a11yBus, a11yPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    set << a11yStatus << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    QDBusConnection::sessionBus().call(set, QDBus::Block, 2000);
}

bool AtspiAccessibility::passwordFieldFocused() {
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

AXError AtspiAccessibility::replaceText(const AXElement& element, const AXTextRange& range,
                                        const QString& text) {
    return d->ask(
        element, [&] { return replaceTextNow(element, range, text); },
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
