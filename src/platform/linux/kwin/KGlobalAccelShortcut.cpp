// The global shortcut on KDE Plasma, where no program may grab keys itself under Wayland: the
#include "platform/linux/kwin/KGlobalAccelShortcut.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <algorithm>

#include "kglobalaccelcomponentproxy.h"
#include "kglobalaccelproxy.h"

namespace quillet {

namespace {

const QString objectPath = QStringLiteral("/kglobalaccel");
// A hung service must not hold up the program's start for long.
constexpr int callTimeoutMs = 2000;

// The service's flags for setShortcut.
constexpr uint setPresent = 2;     // the action exists in a running program
constexpr uint noAutoloading = 4;  // the given keys win over those kept in KDE's settings file
constexpr uint isDefault = 8;      // the keys are the action's default, shown as such in the settings

// Waits for a call's answer: empty when the service answered with an error or not in time.
template <typename... T>
std::optional<QDBusPendingReply<T...>> answer(QDBusPendingReply<T...> reply) {
    reply.waitForFinished();
    if (reply.isError())
        return std::nullopt;
    return reply;
}

}  // namespace

KGlobalAccelShortcut::KGlobalAccelShortcut(const QString& componentTitle, const QString& actionTitle,
                                           const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus), m_componentTitle(componentTitle), m_actionTitle(actionTitle) {
    registerKGlobalAccelTypes();
}

KGlobalAccelShortcut::~KGlobalAccelShortcut() {
    release();
}

bool KGlobalAccelShortcut::isAvailable() const {
    return m_bus.isConnected() && m_bus.interface() && m_bus.interface()->isServiceRegistered(serviceName);
}

QStringList KGlobalAccelShortcut::actionId() const {
    // The unique names first, then the titles people see.
    return {componentName, actionName, m_componentTitle, m_actionTitle};
}

std::unique_ptr<KGlobalAccelProxy> KGlobalAccelShortcut::service() const {
    // Called by the unique name of the service's present owner: a message to it never starts the
    // service, as one to its well-known name would.
    const QString owner =
        m_bus.interface() ? m_bus.interface()->serviceOwner(serviceName).value() : QString();
    auto proxy = std::make_unique<KGlobalAccelProxy>(owner, objectPath, m_bus);
    proxy->setTimeout(callTimeoutMs);
    return proxy;
}

bool KGlobalAccelShortcut::heldElsewhere(KGlobalAccelProxy& service, int key) const {
    // Only another program's count: this one's may be moved.
    const auto holders = answer(service.getGlobalShortcutsByKey(key));
    if (!holders)
        return false;
    const QList<KdeShortcutHolder> list = holders->value();
    return std::any_of(list.cbegin(), list.cend(),
                       [](const KdeShortcutHolder& holder) { return holder.component != componentName; });
}

std::optional<QList<int>> KGlobalAccelShortcut::setKeys(KGlobalAccelProxy& service, const QList<int>& keys,
                                                        uint flags) {
    const auto active = answer(service.setShortcut(actionId(), keys, flags));
    if (!active)
        return std::nullopt;
    return active->value();
}

bool KGlobalAccelShortcut::listen(KGlobalAccelProxy& service) {
    if (m_component)
        return true;
    const auto reply = answer(service.getComponent(componentName));
    if (!reply)
        return false;
    const QString path = reply->value().path();
    if (path.isEmpty())
        return false;
    // By the well-known name: the presses keep coming from whichever process owns it.
    m_component = std::make_unique<KGlobalAccelComponentProxy>(serviceName, path, m_bus);
    connect(m_component.get(), &KGlobalAccelComponentProxy::globalShortcutPressed, this,
            &KGlobalAccelShortcut::onShortcutPressed);
    return true;
}

std::optional<KGlobalAccelShortcut::Failure> KGlobalAccelShortcut::bind(QKeyCombination combination,
                                                                        std::function<void()> onPress) {
    if (!isAvailable())
        return Failure::noService;
    const std::unique_ptr<KGlobalAccelProxy> kde = service();
    if (!answer(kde->doRegister(actionId())))
        return Failure::refused;
    const int wanted = combination.toCombined();
    // A combination another program (KWin's Alt+Tab) holds: newer services bind it all the same, to
    // both, and the press would do two things at once. Asked first, the answer is the same on all.
    if (heldElsewhere(*kde, wanted))
        return Failure::taken;
    // The default is what KDE's settings offer to go back to; the program's own choice is then
    // bound over whatever the settings file kept, since the program keeps the user's choice itself.
    setKeys(*kde, {wanted}, isDefault);
    const std::optional<QList<int>> active = setKeys(*kde, {wanted}, setPresent | noAutoloading);
    if (!active)
        return Failure::refused;
    if (!active->contains(wanted)) {
        // The service bound nothing (the combination is someone else's): put back what we had.
        if (m_bound)
            setKeys(*kde, {m_bound->toCombined()}, setPresent | noAutoloading);
        else
            answer(kde->setInactive(actionId()));
        return Failure::taken;
    }
    // Signals arrive only from the component's object, which exists once an action is registered.
    if (!listen(*kde)) {
        if (m_bound)
            setKeys(*kde, {m_bound->toCombined()}, setPresent | noAutoloading);
        return Failure::refused;
    }
    m_bound = combination;
    m_onPress = std::move(onPress);
    return std::nullopt;
}

void KGlobalAccelShortcut::release() {
    if (!m_bound)
        return;
    m_bound.reset();
    m_onPress = nullptr;
    if (isAvailable())
        answer(service()->setInactive(actionId()));
}

void KGlobalAccelShortcut::onShortcutPressed(const QString& component, const QString& action, qlonglong) {
    if (component != componentName || action != actionName || !m_bound || !m_onPress)
        return;
    // A copy: the handler may bind another combination or release this one.
    const std::function<void()> onPress = m_onPress;
    onPress();
}

}  // namespace quillet
