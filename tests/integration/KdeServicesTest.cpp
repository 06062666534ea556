// Quillet's calls to KDE's services, against services of the test's own on the session bus: the
// shortcut registered with KDE's shortcut service (a combination held elsewhere refused, the keys
// set as default and then bound, presses heard from the program's object, the binding let go), and
// the script loaded into KWin (a copy left by an earlier run unloaded first, refused scripts
// reported, the script unloaded at the end).
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>

#include "platform/linux/kwin/KGlobalAccelShortcut.h"
#include "platform/linux/kwin/KGlobalAccelTypes.h"
#include "platform/linux/kwin/KWinBridge.h"
#include "support/FakeDBusService.h"
#include "support/TestEnv.h"

using namespace quillet;
using testing::ElementsAre;

namespace {

const QString componentPath = QStringLiteral("/component/quillet");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");

// KDE's shortcut service: `holders` hold each key; it binds what it is asked unless `refuses`.
class FakeKGlobalAccel final : public test::FakeDBusService {
public:
    FakeKGlobalAccel() : FakeDBusService(KGlobalAccelShortcut::serviceName) { registerKGlobalAccelTypes(); }

    QList<KdeShortcutHolder> holders;
    bool refuses = false;

    void press(const QString& action) {
        emitSignal(componentPath, componentInterface, "globalShortcutPressed",
                   {KGlobalAccelShortcut::componentName, action, qlonglong(1234)});
    }

protected:
    QDBusMessage answer(const QDBusMessage& message) override {
        const QString member = message.member();
        if (member == "getGlobalShortcutsByKey")
            return message.createReply(QVariant::fromValue(holders));
        if (member == "setShortcut") {
            const QList<int> keys =
                refuses ? QList<int>() : qdbus_cast<QList<int>>(message.arguments().value(1));
            return message.createReply(QVariant::fromValue(keys));
        }
        if (member == "getComponent")
            return message.createReply(QVariant::fromValue(QDBusObjectPath(componentPath)));
        return message.createReply();
    }
};

const QKeyCombination superShiftG(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_G);
const QKeyCombination ctrlAltJ(Qt::ControlModifier | Qt::AltModifier, Qt::Key_J);
const QString g = QString::number(superShiftG.toCombined());
const QString j = QString::number(ctrlAltJ.toCombined());
const QString action = "[quillet, trigger, Quillet, Correct]";

KdeShortcutHolder holderOf(const QString& component) {
    return {"action", "Action", component, "Program", "default", "Default", {}, {}};
}

// Everything sent so far has arrived once a later call's answer has.
void roundTrip(const QString& service) {
    QDBusMessage ping = QDBusMessage::createMethodCall(service, "/", "org.freedesktop.DBus.Peer", "Ping");
    QDBusConnection::sessionBus().call(ping);
    QCoreApplication::processEvents();
}

}  // namespace

TEST(KdeShortcutServiceTest, BindsAsDefaultAndActiveHearsItsPressesAndLetsGo) {
    FakeKGlobalAccel kde;
    kde.holders = {holderOf(KGlobalAccelShortcut::componentName)};
    KGlobalAccelShortcut shortcut("Quillet", "Correct");
    int presses = 0;
    ASSERT_EQ(shortcut.bind(superShiftG, [&] { ++presses; }), std::nullopt);
    EXPECT_THAT(kde.calls(),
                ElementsAre("doRegister(" + action + ")", "getGlobalShortcutsByKey(" + g + ")",
                            "setShortcut(" + action + ", [" + g + "], 8)",
                            "setShortcut(" + action + ", [" + g + "], 6)", "getComponent(quillet)"));

    kde.press(KGlobalAccelShortcut::actionName);
    EXPECT_TRUE(test::waitUntil([&] { return presses == 1; }));
    kde.press("another");
    roundTrip(KGlobalAccelShortcut::serviceName);
    EXPECT_EQ(presses, 1) << "another action of the program";

    kde.clearCalls();
    shortcut.release();
    EXPECT_THAT(kde.calls(), ElementsAre("setInactive(" + action + ")"));
    kde.press(KGlobalAccelShortcut::actionName);
    roundTrip(KGlobalAccelShortcut::serviceName);
    EXPECT_EQ(presses, 1);
}

TEST(KdeShortcutServiceTest, ACombinationHeldElsewhereOrRefusedLeavesThePreviousOneBound) {
    FakeKGlobalAccel kde;
    KGlobalAccelShortcut shortcut("Quillet", "Correct");
    int presses = 0;
    kde.refuses = true;
    EXPECT_EQ(shortcut.bind(superShiftG, [&] { ++presses; }), KGlobalAccelShortcut::Failure::taken);
    EXPECT_EQ(kde.calls().last(), "setInactive(" + action + ")") << "nothing was bound before";

    kde.refuses = false;
    ASSERT_EQ(shortcut.bind(superShiftG, [&] { ++presses; }), std::nullopt);

    // Another program's action holds the key: nothing is set.
    kde.holders = {holderOf(KGlobalAccelShortcut::componentName), holderOf("kwin")};
    kde.clearCalls();
    EXPECT_EQ(shortcut.bind(ctrlAltJ, [] {}), KGlobalAccelShortcut::Failure::taken);
    EXPECT_THAT(kde.calls(), ElementsAre("doRegister(" + action + ")", "getGlobalShortcutsByKey(" + j + ")"));

    // The service binds nothing: the previous combination is put back.
    kde.holders.clear();
    kde.refuses = true;
    kde.clearCalls();
    EXPECT_EQ(shortcut.bind(ctrlAltJ, [] {}), KGlobalAccelShortcut::Failure::taken);
    EXPECT_EQ(kde.calls().last(), "setShortcut(" + action + ", [" + g + "], 6)");
    EXPECT_EQ(shortcut.bound(), superShiftG);
    kde.press(KGlobalAccelShortcut::actionName);
    EXPECT_TRUE(test::waitUntil([&] { return presses == 1; })) << "the first handler still runs";
}

namespace {

// KWin's scripting service and its version. A script is loaded until unloaded; `leftOver` is one
// an earlier run left loaded, which KWin still reports once after unloading it.
class FakeKWin final : public test::FakeDBusService {
public:
    FakeKWin() : FakeDBusService(KWinBridge::kwinService) {}

    bool leftOver = false;
    bool refuses = false;
    QString scriptPath;

protected:
    QDBusMessage answer(const QDBusMessage& message) override {
        const QString member = message.member();
        if (member == "supportInformation")
            return message.createReply(QStringLiteral("KWin version: 5.27.5\n"));
        if (member == "isScriptLoaded") {
            const bool loaded = m_loaded || (leftOver && m_asksSinceUnload < 1);
            if (m_unloaded)
                ++m_asksSinceUnload;
            return message.createReply(loaded);
        }
        if (member == "unloadScript") {
            m_unloaded = true;
            m_loaded = false;
            return message.createReply(true);
        }
        if (member == "loadDeclarativeScript") {
            scriptPath = message.arguments().value(0).toString();
            m_loaded = !refuses;
            return message.createReply(refuses ? -1 : 3);
        }
        return message.createReply();
    }

private:
    bool m_loaded = false;
    bool m_unloaded = false;
    int m_asksSinceUnload = 0;
};

}  // namespace

TEST(KWinScriptLoadTest, ACopyLeftLoadedGoesFirstAndTheScriptGoesAtTheEnd) {
    FakeKWin kwin;
    kwin.leftOver = true;
    QString path;
    {
        KWinBridge bridge;
        ASSERT_TRUE(bridge.load());
        path = kwin.scriptPath;
        EXPECT_THAT(kwin.calls(),
                    ElementsAre("supportInformation()", "isScriptLoaded(quillet)", "unloadScript(quillet)",
                                "isScriptLoaded(quillet)", "isScriptLoaded(quillet)",
                                "loadDeclarativeScript(" + path + ", quillet)", "start()"));
        EXPECT_TRUE(QFile::exists(path));
        kwin.clearCalls();
    }
    EXPECT_THAT(kwin.calls(), ElementsAre("unloadScript(quillet)"));
    EXPECT_FALSE(QFile::exists(path)) << "the script's file goes with it";
}

TEST(KWinScriptLoadTest, ARefusedScriptOrNoKWinIsNoLoad) {
    {
        KWinBridge bridge;
        EXPECT_FALSE(bridge.load()) << "KWin is not there";
    }
    FakeKWin kwin;
    kwin.refuses = true;
    KWinBridge bridge;
    EXPECT_FALSE(bridge.load());
    EXPECT_FALSE(kwin.calls().contains("start()"));
}
