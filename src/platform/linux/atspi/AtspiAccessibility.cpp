// The accessibility layer on AT-SPI (libatspi): the permission, and the calls of the interface, each
// asked of its element's application under the hung-application guard.
#include "platform/linux/atspi/AtspiAccessibility.h"

#include "platform/linux/atspi/AtspiRoles.h"
#include "platform/linux/atspi/ChromiumAccessibility.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>

#include "a11ystatusproxy.h"
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

namespace quillet {

using namespace atspi;

namespace {

const QString a11yBus = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
// Switching the bus on is waited for longer than a read of the switch.
constexpr int switchTimeoutMs = 2000;

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
    A11yStatusProxy status(a11yBus, a11yPath, QDBusConnection::sessionBus());
    status.setTimeout(callTimeoutMs);
    // False, as when switched off, when the launcher does not answer.
    return status.isEnabled();
}

void AtspiAccessibility::enableAccessibility() {
    A11yStatusProxy status(a11yBus, a11yPath, QDBusConnection::sessionBus());
    status.setTimeout(switchTimeoutMs);
    status.setIsEnabled(true);
}

bool AtspiAccessibility::passwordFieldFocused() {
    if (!d->ensureInit())
        return false;
    Accessible candidate = d->lastFocused;
    AtspiAccessible* a = accessibleOf(candidate);
    if (!a || d->isHung(a) || !hasState(a, ATSPI_STATE_FOCUSED)) {
        candidate = d->focusedElement();
        a = accessibleOf(candidate);
    }
    return a && atspi_accessible_get_role(a, nullptr) == ATSPI_ROLE_PASSWORD_TEXT;
}

void AtspiAccessibility::followWindowEvents(std::function<void(const FocusEvent&)> sink,
                                            std::function<Accessible()> focused) {
    d->windowSink = std::move(sink);
    d->focusOverride = std::move(focused);
    if (d->initialized)
        d->registerWindowEvents();
    else
        d->ensureInit();
}

Accessible AtspiAccessibility::root() {
    return Accessible(d->root);
}

void AtspiAccessibility::startListening() {
    // Registering the event listeners is part of joining the bus.
    d->ensureInit();
}

Accessible AtspiAccessibility::application(qint32 pid) {
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
        return name && !name->isEmpty() ? AccessError::success : AccessError::noValue;
    });
    if (!name || name->isEmpty())
        return std::nullopt;
    return name;
}

Answer<Accessible> AtspiAccessibility::focusedElement() {
    if (!d->ensureInit())
        return AccessError::disabled;
    Accessible focused = d->focusedElement();
    if (focused.isNull())
        return AccessError::noValue;
    return focused;
}

Answer<Rect> AtspiAccessibility::frame(const Accessible& element) {
    std::optional<Rect> frame;
    const AccessError error = d->ask(
        element,
        [&] {
            AccessError err = AccessError::success;
            frame = d->frameOf(accessibleOf(element), err);
            return frame ? AccessError::success : err == AccessError::success ? AccessError::noValue : err;
        },
        [] { return AccessError::illegalArgument; });
    if (!frame)
        return error == AccessError::success ? AccessError::noValue : error;
    return *frame;
}

bool AtspiAccessibility::canSetText(const Accessible& field) {
    bool editable = false;
    d->ask(
        field,
        [&] {
            editable = AtspiRoles::isEditableText(accessibleOf(field));
            return AccessError::success;
        },
        [] { return AccessError::success; });
    return editable;
}

AccessError AtspiAccessibility::exposeContents(const Accessible& application) {
    return d->ask(
        application, [&] { return ChromiumAccessibility::requestContents(accessibleOf(application)); },
        [] { return AccessError::illegalArgument; });
}

AccessError AtspiAccessibility::replaceText(const Accessible& element, const TextRange& range,
                                            const QString& text) {
    return d->ask(
        element, [&] { return replaceTextNow(element, range, text); },
        [] { return AccessError::illegalArgument; });
}

AccessError AtspiAccessibility::pid(const Accessible& element, qint32& pid) {
    if (element.isNull())
        return AccessError::illegalArgument;
    if (!d->ensureInit())
        return AccessError::disabled;
    AtspiAccessible* a = accessibleOf(element);
    if (!a)
        return AccessError::illegalArgument;
    const qint32 owner = d->pidOf(a);
    if (owner <= 0)
        return AccessError::cannotComplete;
    pid = owner;
    return AccessError::success;
}

std::unique_ptr<EventWatch> AtspiAccessibility::createWatch(qint32 pid, AccessEventHandler handler) {
    if (pid <= 0 || !handler || !d->ensureInit())
        return nullptr;
    return d->watches.create(pid, std::move(handler));
}

}  // namespace quillet
