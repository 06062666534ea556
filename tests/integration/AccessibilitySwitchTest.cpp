// The accessibility switch of the session's bus launcher, read and turned on as the onboarding does.
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "platform/linux/atspi/AtspiAccessibility.h"

using namespace quillet;

TEST(AccessibilitySwitchTest, ReadAsTheLauncherKeepsItAndTurnedOn) {
    AtspiAccessibility accessibility({}, {});
    ASSERT_TRUE(accessibility.accessibilityEnabled()) << "the session starts with it on";

    QDBusMessage off = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                      "org.freedesktop.DBus.Properties", "Set");
    off << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
        << QVariant::fromValue(QDBusVariant(false));
    ASSERT_EQ(QDBusConnection::sessionBus().call(off).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(accessibility.accessibilityEnabled());

    accessibility.enableAccessibility();
    EXPECT_TRUE(accessibility.accessibilityEnabled());
}
