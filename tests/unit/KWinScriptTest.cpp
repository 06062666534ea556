// What Quillet and its script inside KWin say to each other, and which desktop entries get Quillet
// KWin's keys: the parts that decide where the icon goes and whether the paste can be pressed.
#include <gmock/gmock.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/linux/kwin/KWinFakeInputEntry.h"
#include "platform/linux/kwin/KWinScript.h"

using namespace quillet;

namespace {

const QString shipped = QStringLiteral(
    "import @KWIN_MODULE@ as KWinComponents\nreadonly property var ws: @WORKSPACE@\n"
    "readonly property string service: \"@SERVICE@\"\nreadonly property int quilletPid: @PID@\n"
    "readonly property string secret: \"@SECRET@\"\n");
const QString secret = QStringLiteral("0f3a9c41d2e87b6500aa11bb22cc33dd");

TEST(KWinScriptTest, TheScriptSpeaksTheLoadedKWinsLanguageAndOnlyToThisProgram) {
    const QString five = *KWinScript::text(shipped, KWinScript::plasmaVersion(QString(), QString()),
                                           QStringLiteral(":1.42"), 77, secret);
    EXPECT_THAT(five.toStdString(), testing::HasSubstr("import org.kde.kwin 2.0 as KWinComponents"));
    EXPECT_THAT(five.toStdString(), testing::HasSubstr("ws: workspace\n"));
    EXPECT_THAT(five.toStdString(), testing::HasSubstr("service: \":1.42\""));
    EXPECT_THAT(five.toStdString(), testing::HasSubstr("quilletPid: 77"));
    EXPECT_THAT(five.toStdString(), testing::HasSubstr("secret: \"" + secret.toStdString() + "\""));
    const QString six = *KWinScript::text(shipped, KWinScript::plasmaVersion(QString(), QStringLiteral("6")),
                                          QStringLiteral(":1.9"), 5, secret);
    EXPECT_THAT(six.toStdString(), testing::HasSubstr("import org.kde.kwin 3.0 as KWinComponents"));
    EXPECT_THAT(six.toStdString(), testing::HasSubstr("ws: KWinComponents.Workspace"));
    EXPECT_EQ(KWinScript::plasmaVersion(QString(), QStringLiteral("plasma")), 5);
    // KWin's own word over the session's: a session started with Plasma 5's variable under KWin 6,
    // or the other way round.
    const QString report = QStringLiteral(
        "KWin Support Information:\n\nVersion\n=======\nKWin version: %1\n"
        "Qt Version: 6.8.2\n");
    EXPECT_EQ(KWinScript::plasmaVersion(report.arg("6.3.6"), QStringLiteral("5")), 6);
    EXPECT_EQ(KWinScript::plasmaVersion(report.arg("5.27.5"), QStringLiteral("6")), 5);
    EXPECT_EQ(KWinScript::plasmaVersion(QStringLiteral("Qt Version: 6.8.2"), QStringLiteral("6")), 6);

    // A name that could close the string it goes in would let the bus write the script.
    EXPECT_EQ(KWinScript::text(shipped, 5, QStringLiteral(":1.4\"; evil(); \""), 7, secret), std::nullopt);
    EXPECT_EQ(KWinScript::text(shipped, 5, QString(), 7, secret), std::nullopt);
    EXPECT_EQ(KWinScript::text(shipped, 5, QStringLiteral(":1.4"), 0, secret), std::nullopt);
    // Without a secret that cannot be guessed, or a place for it, any script in KWin could pass for it.
    for (const QString& weak :
         {QString(), QStringLiteral("1234"), secret.left(31), secret.left(31) + QStringLiteral("\""),
          secret.left(31) + QStringLiteral("é")})
        EXPECT_EQ(KWinScript::text(shipped, 5, QStringLiteral(":1.4"), 7, weak), std::nullopt)
            << weak.toStdString();
    EXPECT_EQ(KWinScript::text(QString(shipped).remove(QStringLiteral("@SECRET@")), 5, QStringLiteral(":1.4"),
                               7, secret),
              std::nullopt);
}

TEST(KWinScriptTest, OnlyAWholeReportOfTheActiveWindowCounts) {
    const auto gedit = KWinScript::activeWindow(
        R"({"pid":4021,"frame":{"x":0,"y":32,"w":900,"h":747},"buffer":{"x":-26,"y":9,"w":952,"h":799}})");
    ASSERT_TRUE(gedit);
    EXPECT_EQ(gedit->pid, 4021);
    EXPECT_EQ(gedit->rects.frame, Rect(0, 32, 900, 747));
    EXPECT_EQ(gedit->rects.buffer, Rect(-26, 9, 952, 799));

    const auto desktop = KWinScript::activeWindow(R"({"pid":0})");
    ASSERT_TRUE(desktop) << "no active window is news too";
    EXPECT_EQ(desktop->pid, 0);

    for (const char* broken :
         {R"({"pid":12,"frame":{"x":0,"y":0,"w":10,"h":10}})",
          R"({"pid":12,"frame":{"x":0,"y":0,"w":0,"h":10},"buffer":{"x":0,"y":0,"w":10,"h":10}})",
          R"({"pid":-3})", R"({"frame":{}})", "[]", "not json"})
        EXPECT_EQ(KWinScript::activeWindow(broken), std::nullopt) << broken;
}

TEST(KWinScriptTest, OrdersCarryWhatTheScriptReads) {
    const QJsonObject icon =
        QJsonDocument::fromJson(KWinScript::showIcon(QRect(10, 20, 22, 22), QStringLiteral("loading"),
                                                     QStringLiteral("“Check” \"quotes\"")))
            .object()
            .value(QLatin1String("icon"))
            .toObject();
    EXPECT_EQ(icon.value(QLatin1String("x")).toInt(), 10);
    EXPECT_EQ(icon.value(QLatin1String("h")).toInt(), 22);
    EXPECT_EQ(icon.value(QLatin1String("look")).toString(), QStringLiteral("loading"));
    EXPECT_EQ(icon.value(QLatin1String("tip")).toString(), QStringLiteral("“Check” \"quotes\""));

    // A newer word on the icon makes an older one moot; the panel's place never is.
    EXPECT_TRUE(KWinScript::concernsIcon(KWinScript::hideIcon()));
    EXPECT_TRUE(KWinScript::concernsIcon(KWinScript::showIcon(QRect(0, 0, 1, 1), {}, {})));
    EXPECT_FALSE(KWinScript::concernsIcon(KWinScript::place(QStringLiteral("icon"), QRect(), true)));
    EXPECT_FALSE(KWinScript::concernsIcon(KWinScript::activate(12)));
}

TEST(KWinScriptTest, KWinsKeysGoToTheEntryNamingThisProgramByItsFullPath) {
    const QString program = QStringLiteral("/usr/bin/quillet");
    struct Case {
        const char* what;
        const char* entry;
        bool asks;
    } cases[] = {
        {"the installed entry",
         "[Desktop Entry]\nExec=/usr/bin/quillet\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n", true},
        {"with arguments and other interfaces",
         "[Desktop Entry]\nExec=/usr/bin/quillet "
         "--settings\nX-KDE-Wayland-Interfaces=zkde_screencast_unstable_v1,"
         "org_kde_kwin_fake_input\n",
         true},
        {"the name alone",
         "[Desktop Entry]\nExec=quillet\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n", false},
        {"another program",
         "[Desktop Entry]\nExec=/usr/bin/quillet2\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n",
         false},
        {"no interface asked for", "[Desktop Entry]\nExec=/usr/bin/quillet\n", false},
        {"asked for in an action only",
         "[Desktop Entry]\nExec=/usr/bin/quillet\n[Desktop Action "
         "Quit]\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n",
         false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KWinFakeInputEntry::asksForKeys(QString::fromUtf8(c.entry), program), c.asks) << c.what;

    const QString spaced = QStringLiteral("/opt/my apps/quillet");
    EXPECT_TRUE(KWinFakeInputEntry::asksForKeys(
        QStringLiteral("[Desktop Entry]\nExec=\"/opt/my apps/quillet\" --trigger\n"
                       "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n"),
        spaced))
        << "a quoted path with a space";
}

}  // namespace
