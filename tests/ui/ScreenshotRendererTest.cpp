// The screenshot mode's pictures drawn in this process: sizes, the dark look, the user's preferences
// read but never written, the demonstration key shown from a secret store of its own, and everything
// the renderer borrows from the process put back afterwards.
#include <gmock/gmock.h>

#include <QApplication>
#include <QColorSpace>
#include <QImage>
#include <QStyle>
#include <QTemporaryDir>

#include "app/ScreenshotMode.h"
#include "core/SettingsStore.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"

using namespace quillet;

namespace {

double lightness(QRgb pixel) {
    return QColor::fromRgba(pixel).lightnessF();
}

class ScreenshotRendererTest : public testing::Test {
protected:
    QTemporaryDir dir;
};

TEST_F(ScreenshotRendererTest, FivePicturesAtDoubleDensityInTheDarkLook) {
    const QPalette palette = QApplication::palette();
    const QString style = QApplication::style()->name();
    // A store the program (or a test) installed stays in place and is never asked for the key.
    FakeDefaults defaults;
    FakeSecretStore secrets;
    FakeLoginItem loginItem;
    FakeSystemLog log;
    FakeScheduler clock;
    SettingsStore store(defaults, secrets, loginItem, log, clock);
    SettingsStore::install(&store);
    const int keyringCalls = secrets.reads + secrets.writes + secrets.removes;  // the store's own look

    testing::internal::CaptureStdout();
    ScreenshotMode::run(dir.filePath("nested/twice"));
    const std::string out = testing::internal::GetCapturedStdout();

    const QString folder = dir.filePath("nested/twice");
    EXPECT_EQ(QString::fromStdString(out), QStringLiteral("  popover-correction.png (800×680)\n"
                                                          "  popover-rephrase.png (800×680)\n"
                                                          "  settings.png (960×1120)\n"
                                                          "  onboarding.png (1040×960)\n"
                                                          "  overlay-icon.png (192×192)\n"
                                                          "Screenshots written to ") +
                                               folder + "\n");
    const QDir shots(folder);
    const QImage correction(shots.filePath("popover-correction.png"));
    const QImage rephrase(shots.filePath("popover-rephrase.png"));
    const QImage settings(shots.filePath("settings.png"));
    const QImage onboarding(shots.filePath("onboarding.png"));
    const QImage icon(shots.filePath("overlay-icon.png"));
    EXPECT_EQ(correction.size(), QSize(800, 680));
    EXPECT_EQ(rephrase.size(), QSize(800, 680));
    EXPECT_EQ(settings.size(), QSize(960, 1120));
    EXPECT_EQ(onboarding.size(), QSize(1040, 960));
    EXPECT_EQ(icon.size(), QSize(192, 192));
    for (const QImage* image : {&correction, &rephrase, &settings, &onboarding, &icon}) {
        EXPECT_TRUE(image->hasAlphaChannel());
        EXPECT_EQ(image->colorSpace(), QColorSpace(QColorSpace::SRgb));
    }

    // The panel's rounded corners stay clear; inside, it is dark, as are both windows.
    EXPECT_EQ(qAlpha(correction.pixel(0, 0)), 0);
    EXPECT_LT(lightness(correction.pixel(400, 600)), 0.3);
    EXPECT_LT(lightness(settings.pixel(10, 1100)), 0.3);
    EXPECT_LT(lightness(onboarding.pixel(10, 600)), 0.3);
    // The two tabs differ; the icon is its white disc on a clear square.
    EXPECT_NE(correction, rephrase);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_GT(lightness(icon.pixel(5, 96)), 0.9);

    // What the renderer borrowed is back as it was.
    EXPECT_EQ(SettingsStore::sharedIfInstalled(), &store);
    EXPECT_EQ(secrets.reads + secrets.writes + secrets.removes, keyringCalls);
    EXPECT_TRUE(loginItem.calls.isEmpty());
    EXPECT_EQ(defaults.writes, 0);
    EXPECT_EQ(QApplication::palette(), palette);
    EXPECT_EQ(QApplication::style()->name(), style);
    SettingsStore::install(nullptr);
}

TEST_F(ScreenshotRendererTest, ShowsTheUsersPreferencesAndTheDemonstrationKeyWithoutWritingEither) {
    FakeDefaults user;
    user.values["language"] = QStringLiteral("sr");
    user.values["minWordCount"] = qint64(7);
    const auto before = user.values;
    FakeDefaults english;

    testing::internal::CaptureStdout();
    ScreenshotMode::run(dir.filePath("sr"), &user);
    ScreenshotMode::run(dir.filePath("en"), &english);
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(user.values, before);
    EXPECT_EQ(user.writes, 0);
    EXPECT_EQ(english.writes, 0);
    EXPECT_NE(QImage(dir.filePath("sr/settings.png")), QImage(dir.filePath("en/settings.png")));
    EXPECT_NE(QImage(dir.filePath("sr/popover-correction.png")),
              QImage(dir.filePath("en/popover-correction.png")))
        << "the panel speaks the user's language";
}

TEST_F(ScreenshotRendererTest, SetupShowsTheDesktopsAccessibilitySwitchAsItIs) {
    testing::internal::CaptureStdout();
    ScreenshotMode::run(dir.filePath("off"), nullptr, false);
    ScreenshotMode::run(dir.filePath("on"), nullptr, true);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(QImage(dir.filePath("on/onboarding.png")), QImage(dir.filePath("off/onboarding.png")));
    EXPECT_EQ(QImage(dir.filePath("on/settings.png")), QImage(dir.filePath("off/settings.png")));
}

}  // namespace
