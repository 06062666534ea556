// The shortcut through the desktop portal, against a portal of the test's own on the session bus:
// the session and the binding asked for with the chosen combination, presses and releases passed
// on, a new combination bound in a new session, and nothing bound where the portal has no shortcuts
// or the user declines them.
#include <gmock/gmock.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QSignalSpy>

#include "platform/linux/wayland/DesktopCommandHotkey.h"
#include "platform/linux/wayland/PortalShortcut.h"
#include "support/TestEnv.h"

using namespace quillet;
using testing::ElementsAre;

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// The portal's front: GlobalShortcuts where `offers`, each request answered at once.
class FakePortal final : public QDBusVirtualObject {
public:
    FakePortal() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal")) {
        m_bus.registerVirtualObject(portalPath, this, QDBusConnection::SubPath);
        m_bus.registerService(PortalShortcut::serviceName);
    }
    ~FakePortal() override {
        m_bus.unregisterService(PortalShortcut::serviceName);
        m_bus.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus("fake-portal");
    }

    bool offers = true;
    bool declines = false;
    QStringList triggers;
    QStringList sessions;
    QStringList closed;

    void press(bool down = true) {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, PortalShortcut::interfaceName,
                                                         down ? "Activated" : "Deactivated");
        signal << QVariant::fromValue(QDBusObjectPath(sessions.last())) << PortalShortcut::shortcutId
               << qulonglong(1234) << QVariantMap();
        m_bus.send(signal);
    }

    // What the portal sent so far has arrived once the answer to a later call has.
    static void roundTrip() {
        QDBusMessage get = QDBusMessage::createMethodCall(PortalShortcut::serviceName, portalPath,
                                                          "org.freedesktop.DBus.Properties", "Get");
        get << PortalShortcut::interfaceName << QStringLiteral("version");
        const QDBusPendingCall call = QDBusConnection::sessionBus().asyncCall(get);
        ASSERT_TRUE(test::waitUntil([&] { return call.isFinished(); }));
        QCoreApplication::processEvents();
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        const QString member = message.member();
        if (member == "Get") {
            if (offers && message.arguments().value(0) == PortalShortcut::interfaceName)
                bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            else
                bus.send(message.createErrorReply(QDBusError::InvalidArgs, "No such interface"));
        } else if (member == "CreateSession") {
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(0));
            sessions << pathFor(message, "session", options.value("session_handle_token").toString());
            respond(message, bus, options.value("handle_token").toString(), 0,
                    {{"session_handle", sessions.last()}});
        } else if (member == "BindShortcuts") {
            const QDBusArgument shortcuts = message.arguments().value(1).value<QDBusArgument>();
            shortcuts.beginArray();
            while (!shortcuts.atEnd()) {
                QString id;
                QVariantMap details;
                shortcuts.beginStructure();
                shortcuts >> id >> details;
                shortcuts.endStructure();
                triggers << id + ": " + details.value("preferred_trigger").toString();
            }
            shortcuts.endArray();
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(3));
            respond(message, bus, options.value("handle_token").toString(), declines ? 1 : 0, {});
        } else if (member == "Close") {
            closed << message.path();
            bus.send(message.createReply());
        } else {
            return false;
        }
        return true;
    }

private:
    static QString pathFor(const QDBusMessage& message, const QString& kind, const QString& token) {
        return portalPath + "/" + kind + "/" + message.service().mid(1).replace('.', '_') + "/" + token;
    }
    void respond(const QDBusMessage& message, const QDBusConnection& bus, const QString& token, uint response,
                 const QVariantMap& results) {
        const QString request = pathFor(message, "request", token);
        bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage answer =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        answer << response << results;
        bus.send(answer);
    }

    QDBusConnection m_bus;
};

const KeyCombination superShiftG{HotkeyModifier::super | HotkeyModifier::shift, 0x67, 42};
const KeyCombination ctrlAltJ{HotkeyModifier::ctrl | HotkeyModifier::alt, 0x6a, 44};

struct Edges {
    QList<HotkeyEdge> seen;
    std::function<void(HotkeyEdge)> handler() {
        return [this](HotkeyEdge edge) { seen << edge; };
    }
};

}  // namespace

TEST(PortalShortcutTest, BoundWithTheCombinationItsPressesAndReleasesArriveUntilReleased) {
    FakePortal portal;
    auto owned = std::make_unique<PortalShortcut>("Correct");
    PortalShortcut* shortcut = owned.get();
    PortalHotkey hotkey(std::move(owned), std::make_unique<DesktopCommandHotkey>());
    Edges edges;
    ASSERT_EQ(hotkey.registerHotkey(superShiftG, edges.handler()), std::nullopt);
    ASSERT_TRUE(test::waitUntil([&] { return shortcut->isBound(); }));
    EXPECT_THAT(portal.triggers, ElementsAre("trigger: SHIFT+LOGO+g"));

    portal.press();
    portal.press(false);
    ASSERT_TRUE(test::waitUntil([&] { return edges.seen.size() == 2; }));
    EXPECT_THAT(edges.seen, ElementsAre(HotkeyEdge::down, HotkeyEdge::up));

    // While the recorder listens, a press goes to nobody, nor does its release.
    hotkey.setSuspended(true);
    portal.press();
    portal.press(false);
    FakePortal::roundTrip();
    hotkey.setSuspended(false);
    portal.press();
    ASSERT_TRUE(test::waitUntil([&] { return edges.seen.size() == 3; }));
    EXPECT_THAT(edges.seen, ElementsAre(HotkeyEdge::down, HotkeyEdge::up, HotkeyEdge::down));

    // Another combination: a session of its own, the first one closed.
    ASSERT_EQ(hotkey.registerHotkey(ctrlAltJ, edges.handler()), std::nullopt);
    ASSERT_TRUE(test::waitUntil([&] { return shortcut->isBound() && portal.sessions.size() == 2; }));
    EXPECT_THAT(portal.triggers, ElementsAre("trigger: SHIFT+LOGO+g", "trigger: CTRL+ALT+j"));
    EXPECT_TRUE(test::waitUntil([&] { return portal.closed == QStringList{portal.sessions.first()}; }));

    hotkey.unregisterHotkey();
    EXPECT_FALSE(shortcut->isBound());
    EXPECT_TRUE(test::waitUntil([&] { return portal.closed.size() == 2; }));
    edges.seen.clear();
    portal.press();
    FakePortal::roundTrip();
    EXPECT_TRUE(edges.seen.isEmpty());
}

TEST(PortalShortcutTest, WithoutShortcutsInThePortalOrWhenTheUserDeclinesNothingIsBound) {
    FakePortal portal;
    portal.offers = false;
    PortalShortcut shortcut("Correct");
    QSignalSpy answers(&shortcut, &PortalShortcut::bound);
    shortcut.bind(PortalShortcut::preferredTrigger(superShiftG));
    ASSERT_TRUE(test::waitUntil([&] { return answers.size() == 1; }));
    EXPECT_FALSE(answers.first().first().toBool());
    EXPECT_TRUE(portal.sessions.isEmpty()) << "no session asked of a portal without shortcuts";

    portal.offers = true;
    portal.declines = true;
    shortcut.bind(PortalShortcut::preferredTrigger(superShiftG));
    ASSERT_TRUE(test::waitUntil([&] { return answers.size() == 2; }));
    EXPECT_FALSE(answers.last().first().toBool());
    EXPECT_FALSE(shortcut.isBound());
    EXPECT_TRUE(test::waitUntil([&] { return portal.closed == portal.sessions; })) << "its session closed";
}
