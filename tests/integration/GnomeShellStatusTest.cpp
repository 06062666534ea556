// The self-check's account of Quillet's GNOME Shell extension when it does not answer, against a
// GNOME Shell of the test's own on the session bus: no shell at all, the shell's version, and what
// the shell says of the extension (unknown, switched off alone or with every extension, failed).
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "platform/linux/gnome-shell/GnomeShellBridge.h"
#include "support/FakeDBusService.h"

using namespace quillet;

namespace {

// GNOME Shell's own interfaces, without Quillet's extension (its calls find no object). `info` is
// what it tells of the extension; `userExtensions` whether extensions are switched on at all.
class FakeGnomeShell final : public test::FakeDBusService {
public:
    FakeGnomeShell() : FakeDBusService(GnomeShellBridge::service) {}

    QVariantMap info;
    bool userExtensions = true;

protected:
    QDBusMessage answer(const QDBusMessage& message) override {
        if (message.path() != QLatin1String("/org/gnome/Shell"))
            return message.createErrorReply(QDBusError::UnknownObject, "No such object");
        const QString member = message.member();
        const QVariantList arguments = message.arguments();
        if (member == "Get" && arguments == QVariantList{"org.gnome.Shell", "ShellVersion"})
            return message.createReply(QVariant::fromValue(QDBusVariant(QStringLiteral("43.9"))));
        if (member == "Get" &&
            arguments == QVariantList{"org.gnome.Shell.Extensions", "UserExtensionsEnabled"})
            return message.createReply(QVariant::fromValue(QDBusVariant(userExtensions)));
        if (member == "GetExtensionInfo" && arguments == QVariantList{GnomeShellBridge::uuid})
            return message.createReply(QVariant::fromValue(info));
        return message.createErrorReply(QDBusError::UnknownMethod, "No such method");
    }
};

}  // namespace

TEST(GnomeShellStatusTest, NoShellOrTheShellsAccountOfTheExtensionDecides) {
    const ShellExtensionStatus none = GnomeShellBridge().status();
    EXPECT_EQ(none.state, ShellExtensionState::noShell);
    EXPECT_EQ(none.shellVersion, QString());

    FakeGnomeShell shell;
    GnomeShellBridge bridge;
    ShellExtensionStatus status = bridge.status();
    EXPECT_EQ(status.shellVersion, "43.9");
    EXPECT_EQ(status.state, ShellExtensionState::notInstalled) << "the shell does not know it";

    shell.info = {{"uuid", GnomeShellBridge::uuid}, {"state", 2.0}};
    EXPECT_EQ(bridge.status().state, ShellExtensionState::disabled);
    shell.userExtensions = false;
    EXPECT_EQ(bridge.status().state, ShellExtensionState::userExtensionsOff);

    shell.info = {{"uuid", GnomeShellBridge::uuid}, {"state", 3.0}, {"error", "TypeError: x is null"}};
    status = bridge.status();
    EXPECT_EQ(status.state, ShellExtensionState::failed);
    EXPECT_EQ(status.detail, "TypeError: x is null");
    EXPECT_THAT(shell.calls(), testing::Contains("GetExtensionInfo(quillet@lumenfold.com)"));
}
