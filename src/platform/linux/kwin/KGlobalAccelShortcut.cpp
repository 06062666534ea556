// The global shortcut on KDE Plasma, where no program may grab keys itself under Wayland: the
#include "platform/linux/kwin/KGlobalAccelShortcut.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace quillet {

namespace {

const QString objectPath = QStringLiteral("/kglobalaccel");
const QString interfaceName = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
// A hung service must not hold up the program's start for long.
constexpr int callTimeoutMs = 2000;

// The service's flags for setShortcut.
constexpr uint setPresent = 2;     // the action exists in a running program
constexpr uint noAutoloading = 4;  // the given keys win over those kept in KDE's settings file
constexpr uint isDefault = 8;      // the keys are the action's default, shown as such in the settings

}  // namespace

KGlobalAccelShortcut::KGlobalAccelShortcut(const QString& componentTitle, const QString& actionTitle,
                                           const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus), m_componentTitle(componentTitle), m_actionTitle(actionTitle) {
    qDBusRegisterMetaType<QList<int>>();
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

std::optional<QList<QVariant>> KGlobalAccelShortcut::call(const QString& method,
                                                          const QList<QVariant>& arguments) const {
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply.arguments();
}

bool KGlobalAccelShortcut::heldElsewhere(int key) const {
    // Each holder as the service describes it: names of the action, its program and its context,
    // then its keys and default keys. Only another program's count: this one's may be moved.
    const auto reply = call(QStringLiteral("getGlobalShortcutsByKey"), {key});
    if (!reply || reply->isEmpty() || !reply->first().canConvert<QDBusArgument>())
        return false;
    const QDBusArgument holders = reply->first().value<QDBusArgument>();
    bool elsewhere = false;
    holders.beginArray();
    while (!holders.atEnd()) {
        QString action, actionTitle, component, componentTitle, context, contextTitle;
        QList<int> keys, defaults;
        holders.beginStructure();
        holders >> action >> actionTitle >> component >> componentTitle >> context >> contextTitle >> keys >>
            defaults;
        holders.endStructure();
        elsewhere = elsewhere || component != componentName;
    }
    holders.endArray();
    return elsewhere;
}

std::optional<QList<int>> KGlobalAccelShortcut::setKeys(const QList<int>& keys, uint flags) {
    const auto reply = call(QStringLiteral("setShortcut"),
                            {actionId(), QVariant::fromValue(keys), QVariant::fromValue(flags)});
    if (!reply || reply->isEmpty())
        return std::nullopt;
    return qdbus_cast<QList<int>>(reply->first());
}

bool KGlobalAccelShortcut::listen() {
    if (!m_componentPath.isEmpty())
        return true;
    const auto reply = call(QStringLiteral("getComponent"), {componentName});
    if (!reply || reply->isEmpty())
        return false;
    const QString path = qdbus_cast<QDBusObjectPath>(reply->first()).path();
    if (path.isEmpty() ||
        !m_bus.connect(serviceName, path, componentInterface, QStringLiteral("globalShortcutPressed"), this,
                       SLOT(onShortcutPressed(QString, QString, qlonglong))))
        return false;
    m_componentPath = path;
    return true;
}

std::optional<KGlobalAccelShortcut::Failure> KGlobalAccelShortcut::bind(QKeyCombination combination,
                                                                        std::function<void()> onPress) {
    if (!isAvailable())
        return Failure::noService;
    if (!call(QStringLiteral("doRegister"), {actionId()}))
        return Failure::refused;
    const int wanted = combination.toCombined();
    // A combination another program (KWin's Alt+Tab) holds: newer services bind it all the same, to
    // both, and the press would do two things at once. Asked first, the answer is the same on all.
    if (heldElsewhere(wanted))
        return Failure::taken;
    // The default is what KDE's settings offer to go back to; the program's own choice is then
    // bound over whatever the settings file kept, since the program keeps the user's choice itself.
    setKeys({wanted}, isDefault);
    const std::optional<QList<int>> active = setKeys({wanted}, setPresent | noAutoloading);
    if (!active)
        return Failure::refused;
    if (!active->contains(wanted)) {
        // The service bound nothing (the combination is someone else's): put back what we had.
        if (m_bound)
            setKeys({m_bound->toCombined()}, setPresent | noAutoloading);
        else
            call(QStringLiteral("setInactive"), {actionId()});
        return Failure::taken;
    }
    // Signals arrive only from the component's object, which exists once an action is registered.
    if (!listen()) {
        if (m_bound)
            setKeys({m_bound->toCombined()}, setPresent | noAutoloading);
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
        call(QStringLiteral("setInactive"), {actionId()});
}

void KGlobalAccelShortcut::onShortcutPressed(const QString& component, const QString& action, qlonglong) {
    if (component != componentName || action != actionName || !m_bound || !m_onPress)
        return;
    // A copy: the handler may bind another combination or release this one.
    const std::function<void()> onPress = m_onPress;
    onPress();
}

}  // namespace quillet
