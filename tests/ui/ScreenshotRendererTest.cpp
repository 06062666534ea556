// The screenshot mode's pictures drawn in this process: sizes, the dark look, the user's preferences
// read but never written, the demonstration key shown from a secret store of its own, and everything
// the renderer borrows from the process put back afterwards.
#include <gmock/gmock.h>

#include <QApplication>
#include <QColorSpace>
#include <QImage>
#include <QMap>
#include <QStyle>
#include <QTemporaryDir>

#include "app/ScreenshotMode.h"
#include "support/FakeDesktop.h"

using namespace quillet;

namespace {

double lightness(QRgb pixel) {
    return QColor::fromRgba(pixel).lightnessF();
}

class ScreenshotRendererTest : public testing::Test {
protected:
    QTemporaryDir dir;
};

TEST_F(ScreenshotRendererTest, EveryViewAtDoubleDensityInTheDarkLook) {
    const QPalette palette = QApplication::palette();
    const QString style = QApplication::style()->name();
    // A store the program (or a test) installed stays in place and is never asked for the key.
    test::FakeDesktop desktop;
    FakeSecretStore& secrets = desktop.secrets;
    const int keyringCalls = secrets.reads + secrets.writes + secrets.removes;  // the store's own look

    testing::internal::CaptureStdout();
    ScreenshotMode::run(dir.filePath("nested/twice"));
    const std::string out = testing::internal::GetCapturedStdout();

    const QString folder = dir.filePath("nested/twice");
    const QSize panel(800, 680), settings(1360, 960), setup(1040, 1040);
    const QList<std::pair<QString, QSize>> pictures = {
        {"popover-correction", panel},    {"popover-rephrase", panel},
        {"settings", settings},           {"settings-server", settings},
        {"settings-shortcut", settings},  {"settings-blocked", settings},
        {"settings-actions", settings},   {"onboarding", setup},
        {"onboarding-key", setup},        {"onboarding-try", setup},
        {"overlay-icon", QSize(192, 192)}};
    QString lines;
    for (const auto& [name, size] : pictures)
        lines += QStringLiteral("  %1.png (%2×%3)\n").arg(name).arg(size.width()).arg(size.height());
    EXPECT_EQ(QString::fromStdString(out), lines + "Screenshots written to " + folder + "\n");
    QMap<QString, QImage> shot;
    for (const auto& [name, size] : pictures) {
        const QImage& image = shot[name] = QImage(QDir(folder).filePath(name + QStringLiteral(".png")));
        EXPECT_EQ(image.size(), size) << name.toStdString();
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(image.colorSpace(), QColorSpace(QColorSpace::SRgb));
    }
    const QImage &correction = shot["popover-correction"], &icon = shot["overlay-icon"];

    // The panel's rounded corners stay clear; inside, it is dark, as are both windows.
    EXPECT_EQ(qAlpha(correction.pixel(0, 0)), 0);
    EXPECT_LT(lightness(correction.pixel(400, 600)), 0.3);
    EXPECT_LT(lightness(shot["settings"].pixel(10, 940)), 0.3);
    // Each page of the settings and each step of the setup is a picture of its own.
    EXPECT_NE(shot["settings"], shot["settings-server"]);
    EXPECT_NE(shot["onboarding-key"], shot["onboarding-try"]);
    EXPECT_LT(lightness(shot["onboarding"].pixel(10, 600)), 0.3);
    // The two tabs differ; the icon is its white disc on a clear square.
    EXPECT_NE(correction, shot["popover-rephrase"]);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_GT(lightness(icon.pixel(5, 96)), 0.9);

    // What the renderer borrowed is back as it was.
    EXPECT_EQ(SettingsStore::sharedIfInstalled(), &desktop.settings);
    EXPECT_EQ(secrets.reads + secrets.writes + secrets.removes, keyringCalls);
    EXPECT_TRUE(desktop.autostart.calls.isEmpty());
    EXPECT_EQ(desktop.defaults.writes, 0);
    EXPECT_EQ(QApplication::palette(), palette);
    EXPECT_EQ(QApplication::style()->name(), style);
}

TEST_F(ScreenshotRendererTest, ShowsTheUsersPreferencesTheKeyAndTheAccessibilitySwitchWritingNothing) {
    FakeDefaults user;
    user.values["language"] = QStringLiteral("sr");
    user.values["minWordCount"] = qint64(7);
    const auto before = user.values;
    FakeDefaults english;

    testing::internal::CaptureStdout();
    ScreenshotMode::run(dir.filePath("sr"), &user);
    ScreenshotMode::run(dir.filePath("en"), &english);
    ScreenshotMode::run(dir.filePath("off"), nullptr, false);
    ScreenshotMode::run(dir.filePath("on"), nullptr, true);
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(user.values, before);
    EXPECT_EQ(user.writes, 0);
    EXPECT_EQ(english.writes, 0);
    EXPECT_NE(QImage(dir.filePath("sr/settings.png")), QImage(dir.filePath("en/settings.png")));
    EXPECT_NE(QImage(dir.filePath("sr/popover-correction.png")),
              QImage(dir.filePath("en/popover-correction.png")))
        << "the panel speaks the user's language";
    // The setup shows the desktop's accessibility switch as it is.
    EXPECT_NE(QImage(dir.filePath("on/onboarding.png")), QImage(dir.filePath("off/onboarding.png")));
    EXPECT_EQ(QImage(dir.filePath("on/settings.png")), QImage(dir.filePath("off/settings.png")));
}

}  // namespace
