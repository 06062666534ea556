// The shortcut registered with KDE's shortcut service: run under KWin, pressed both by the service's
// own invokeShortcut and by real keys; and under mutter, where the service must not be started.
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "platform/linux/kwin/KGlobalAccelShortcut.h"
#include "wayland/EditorSession.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QKeyCombination superShiftG(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_G);

void invokeShortcut() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        KGlobalAccelShortcut::serviceName, QStringLiteral("/component/quillet"),
        QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("invokeShortcut"));
    message.setArguments({KGlobalAccelShortcut::actionName});
    QDBusConnection::sessionBus().call(message);
}

QList<int> keysKdeHas() {
    QDBusMessage message =
        QDBusMessage::createMethodCall(KGlobalAccelShortcut::serviceName, QStringLiteral("/kglobalaccel"),
                                       QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("shortcut"));
    message.setArguments({QStringList{KGlobalAccelShortcut::componentName, KGlobalAccelShortcut::actionName,
                                      QStringLiteral("Quillet"), QStringLiteral("Correct")}});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message);
    return reply.arguments().isEmpty() ? QList<int>() : qdbus_cast<QList<int>>(reply.arguments().first());
}

}  // namespace

TEST(KdeShortcutTest, BoundCombinationFiresForTheServiceAndForRealKeys) {
    KGlobalAccelShortcut shortcut(QStringLiteral("Quillet"), QStringLiteral("Correct"));
    ASSERT_TRUE(shortcut.isAvailable());
    int presses = 0;
    ASSERT_EQ(shortcut.bind(superShiftG, [&] { ++presses; }), std::nullopt);
    EXPECT_EQ(shortcut.bound(), superShiftG);
    EXPECT_EQ(keysKdeHas(), QList<int>{superShiftG.toCombined()});

    invokeShortcut();
    EXPECT_TRUE(waitUntil([&] { return presses == 1; }));
    ASSERT_TRUE(key(QStringLiteral("super+shift+g")));
    EXPECT_TRUE(waitUntil([&] { return presses == 2; })) << "a real press reaches the program";

    // A combination KWin holds itself is refused, and the one bound before still works.
    int laterPresses = 0;
    EXPECT_EQ(shortcut.bind(QKeyCombination(Qt::AltModifier, Qt::Key_Tab), [&] { ++laterPresses; }),
              KGlobalAccelShortcut::Failure::taken);
    EXPECT_EQ(shortcut.bound(), superShiftG);
    EXPECT_EQ(keysKdeHas(), QList<int>{superShiftG.toCombined()});
    ASSERT_TRUE(key(QStringLiteral("super+shift+g")));
    EXPECT_TRUE(waitUntil([&] { return presses == 3; }));
    EXPECT_EQ(laterPresses, 0);

    // Moving to a free combination: the old one no longer fires, the new one does.
    const QKeyCombination ctrlAltJ(Qt::ControlModifier | Qt::AltModifier, Qt::Key_J);
    ASSERT_EQ(shortcut.bind(ctrlAltJ, [&] { ++laterPresses; }), std::nullopt);
    ASSERT_TRUE(key(QStringLiteral("super+shift+g")));
    ASSERT_TRUE(key(QStringLiteral("ctrl+alt+j")));
    EXPECT_TRUE(waitUntil([&] { return laterPresses == 1; }));
    EXPECT_EQ(presses, 3);

    // Released: presses go nowhere, which the next binding's first press shows, as presses arrive
    // in order.
    shortcut.release();
    EXPECT_EQ(shortcut.bound(), std::nullopt);
    ASSERT_TRUE(key(QStringLiteral("ctrl+alt+j")));
    ASSERT_EQ(shortcut.bind(ctrlAltJ, [&] { ++presses; }), std::nullopt);
    ASSERT_TRUE(key(QStringLiteral("ctrl+alt+j")));
    EXPECT_TRUE(waitUntil([&] { return presses == 4; }));
    EXPECT_EQ(laterPresses, 1);
}

TEST(KdeShortcutTest, OutsidePlasmaTheServiceIsNeverStarted) {
    // The session's bus may start KDE's service on demand (KWin 5's packages bring it; under KWin 6
    // it lives in KWin itself); under mutter that service would hold combinations no key ever
    // reaches.
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    KGlobalAccelShortcut shortcut(QStringLiteral("Quillet"), QStringLiteral("Correct"));
    EXPECT_FALSE(shortcut.isAvailable());
    EXPECT_EQ(shortcut.bind(superShiftG, [] {}), KGlobalAccelShortcut::Failure::noService);
    shortcut.release();
    EXPECT_FALSE(bus->isServiceRegistered(KGlobalAccelShortcut::serviceName));
}
