// The global shortcut through the desktop portal: a session, the shortcut bound to it (the desktop
// asks the user), then presses reported as the session's Activated and Deactivated.
#include "platform/linux/wayland/PortalShortcut.h"

#include "platform/linux/shared/KeyNames.h"
#include "platform/linux/wayland/PortalTypes.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "globalshortcutsproxy.h"
#include "portalrequestproxy.h"
#include "portalsessionproxy.h"
#include "propertiesproxy.h"

namespace quillet {

namespace {

// The user may take a while over the desktop's dialog; a portal that never answers the call
// itself must not leave the binding waiting forever.
constexpr int callTimeoutMs = 5000;

// The session handle comes as an object path, or from older portals as a string.
QString pathOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

}  // namespace

PortalShortcut::PortalShortcut(const QString& description, const QDBusConnection& bus, QObject* parent)
    : QObject(parent),
      m_bus(bus),
      m_description(description),
      m_portal(std::make_unique<GlobalShortcutsProxy>(serviceName, objectPath, m_bus)),
      m_properties(std::make_unique<PropertiesProxy>(serviceName, objectPath, m_bus)) {
    registerPortalTypes();
    m_portal->setTimeout(callTimeoutMs);
    m_properties->setTimeout(callTimeoutMs);
}

PortalShortcut::~PortalShortcut() {
    release();
}

QString PortalShortcut::preferredTrigger(const KeyCombination& combination) {
    return spelledCombination(combination, {QStringLiteral("CTRL+"), QStringLiteral("ALT+"),
                                            QStringLiteral("SHIFT+"), QStringLiteral("LOGO+")});
}

QString PortalShortcut::nextToken() {
    return QStringLiteral("quillet%1_%2").arg(QCoreApplication::applicationPid()).arg(++m_tokens);
}

void PortalShortcut::bind(const QString& trigger) {
    release();
    m_trigger = trigger;
    if (!m_bus.isConnected()) {
        fail();
        return;
    }
    // Whether the portal offers shortcuts at all: an older portal, or one whose desktop has no
    // backend for them, does not have the interface.
    auto* watcher =
        new QDBusPendingCallWatcher(m_properties->Get(interfaceName, QStringLiteral("version")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, generation = m_generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        if (watcher->isError())
            fail();
        else
            createSession();
    });
}

void PortalShortcut::createSession() {
    m_step = Step::creating;
    const QString token = nextToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), nextToken()}};
    request(token, [&] { return m_portal->CreateSession(options); });
}

void PortalShortcut::bindShortcut() {
    m_step = Step::binding;
    QVariantMap details{{QStringLiteral("description"), m_description}};
    if (!m_trigger.isEmpty())
        details.insert(QStringLiteral("preferred_trigger"), m_trigger);
    const QList<PortalShortcutEntry> shortcuts{{shortcutId, details}};
    const QString token = nextToken();
    request(token, [&] {
        return m_portal->BindShortcuts(QDBusObjectPath(m_session), shortcuts, QString(),
                                       QVariantMap{{QStringLiteral("handle_token"), token}});
    });
}

void PortalShortcut::request(const QString& token, const std::function<QDBusPendingCall()>& call) {
    // The answer may come before the call returns: the request's path is known from the token,
    // and listened to first.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString expected = objectPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    listenFor(expected);
    auto* watcher = new QDBusPendingCallWatcher(call(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, expected, generation = m_generation] {
                watcher->deleteLater();
                // Released since, or answered already and on to the next request.
                if (generation != m_generation || m_requestPath != expected)
                    return;
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (reply.isError()) {
                    fail();
                    return;
                }
                // An older portal makes up a path of its own.
                if (reply.value().path() != expected)
                    listenFor(reply.value().path());
            });
}

void PortalShortcut::listenFor(const QString& requestPath) {
    stopListening();
    m_requestPath = requestPath;
    m_request = new PortalRequestProxy(serviceName, m_requestPath, m_bus, this);
    connect(m_request, &PortalRequestProxy::Response, this, &PortalShortcut::onResponse);
}

void PortalShortcut::stopListening() {
    if (m_requestPath.isEmpty())
        return;
    // Disconnected now, so that nothing more arrives; deleted later, as its signal may be what
    // brought the program here.
    m_request->disconnect(this);
    m_request->deleteLater();
    m_request = nullptr;
    m_requestPath.clear();
}

void PortalShortcut::onResponse(uint response, const QVariantMap& results) {
    stopListening();
    // 0: done; 1: the user declined; 2: anything else.
    if (response != 0) {
        fail();
        return;
    }
    if (m_step == Step::creating) {
        m_session = pathOf(results.value(QStringLiteral("session_handle")));
        if (m_session.isEmpty()) {
            fail();
            return;
        }
        connect(m_portal.get(), &GlobalShortcutsProxy::Activated, this, &PortalShortcut::onActivated);
        connect(m_portal.get(), &GlobalShortcutsProxy::Deactivated, this, &PortalShortcut::onDeactivated);
        bindShortcut();
        return;
    }
    if (m_step != Step::binding)
        return;
    m_step = Step::none;
    QString description;
    const QDBusArgument shortcuts = results.value(QStringLiteral("shortcuts")).value<QDBusArgument>();
    if (shortcuts.currentType() == QDBusArgument::ArrayType) {
        QList<PortalShortcutEntry> list;
        shortcuts >> list;
        for (const PortalShortcutEntry& shortcut : list)
            if (shortcut.id == shortcutId)
                description = shortcut.details.value(QStringLiteral("trigger_description")).toString();
    }
    m_bound = true;
    Q_EMIT bound(true, description);
}

void PortalShortcut::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                 const QVariantMap&) {
    if (m_bound && session.path() == m_session && id == shortcutId)
        Q_EMIT pressed();
}

void PortalShortcut::onDeactivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                   const QVariantMap&) {
    if (m_bound && session.path() == m_session && id == shortcutId)
        Q_EMIT released();
}

void PortalShortcut::fail() {
    release();
    Q_EMIT bound(false, QString());
}

void PortalShortcut::release() {
    ++m_generation;
    stopListening();
    m_step = Step::none;
    m_bound = false;
    if (m_session.isEmpty())
        return;
    m_portal->disconnect(this);
    // Not waited for, with the bus's own timeout.
    PortalSessionProxy(serviceName, m_session, m_bus).Close();
    m_session.clear();
}

// --- the hotkey ----------------------------------------------------------------------------------

PortalHotkey::PortalHotkey(std::unique_ptr<PortalShortcut> shortcut, std::unique_ptr<GlobalHotkey> fallback)
    : m_shortcut(std::move(shortcut)), m_fallback(std::move(fallback)) {
    connect(m_shortcut.get(), &PortalShortcut::pressed, this, [this] { report(HotkeyEdge::down); });
    connect(m_shortcut.get(), &PortalShortcut::released, this, [this] {
        if (std::exchange(m_down, false))
            report(HotkeyEdge::up);
    });
}

std::optional<GrabError> PortalHotkey::registerHotkey(const KeyCombination& combination,
                                                      std::function<void(HotkeyEdge)> onKey) {
    const std::optional<GrabError> fallback = m_fallback->registerHotkey(combination, onKey);
    if (fallback)
        return fallback;
    m_onKey = std::make_shared<std::function<void(HotkeyEdge)>>(std::move(onKey));
    m_down = false;
    m_shortcut->bind(PortalShortcut::preferredTrigger(combination));
    return std::nullopt;
}

void PortalHotkey::unregisterHotkey() {
    m_onKey.reset();
    m_down = false;
    m_shortcut->release();
    m_fallback->unregisterHotkey();
}

void PortalHotkey::setSuspended(bool suspended) {
    m_suspended = suspended;
    m_fallback->setSuspended(suspended);
}

void PortalHotkey::report(HotkeyEdge edge) {
    if (!m_onKey || !*m_onKey || (m_suspended && edge == HotkeyEdge::down))
        return;
    if (edge == HotkeyEdge::down)
        m_down = true;
    // Copied first: the handler may register another combination, and with it replace this one.
    const std::function<void(HotkeyEdge)> run = *m_onKey;
    run(edge);
}

}  // namespace quillet
