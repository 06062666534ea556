// Draws the settings and setup windows into PNG files under the build folder, for a person to look at,
// and checks that the pictures have the windows' sizes and are not blank.
#include "WindowTestFixture.h"

#include <QDir>
#include <QImage>
#include <QPlainTextEdit>

#include "ui/OnboardingView.h"

using namespace quillet;
using namespace quillet::test;

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1E, 0x1E, 0x1E));
    p.setColor(QPalette::WindowText, QColor(0xEC, 0xEC, 0xEC));
    p.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::Text, QColor(0xEC, 0xEC, 0xEC));
    p.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3A));
    p.setColor(QPalette::ButtonText, QColor(0xEC, 0xEC, 0xEC));
    p.setColor(QPalette::PlaceholderText, QColor(0x8A, 0x8A, 0x8A));
    p.setColor(QPalette::Highlight, QColor(0x1F, 0x91, 0xA3));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

class WindowSnapshotTest : public WindowTest {
protected:
    QString folder() {
        const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/window-snapshots");
        QDir().mkpath(dir);
        return dir;
    }
    // At double density, as a screenshot of a HiDPI screen would be.
    // Laid out as on screen, but never mapped.
    QImage snapshot(QWidget& view, const QString& name) {
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        QCoreApplication::processEvents();
        QImage image(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(view.palette().color(QPalette::Window));
        view.render(&image);
        EXPECT_TRUE(image.save(folder() + QLatin1Char('/') + name + QStringLiteral(".png")))
            << qPrintable(name);
        return image;
    }
    static int distinctColours(const QImage& image) {
        QSet<QRgb> seen;
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); x += 7)
                seen.insert(image.pixel(x, y));
        return static_cast<int>(seen.size());
    }
};

TEST_F(WindowSnapshotTest, SettingsAndSetupDrawAtTheirSizes) {
    storeKey(QStringLiteral("sk-mock-111111111111"));
    for (AppLanguage lang : {AppLanguage::en, AppLanguage::sr}) {
        store.setLanguage(lang);
        const QString suffix = lang == AppLanguage::en ? QStringLiteral("-en") : QStringLiteral("-sr");
        for (bool dark : {false, true}) {
            const QString tone = dark ? QStringLiteral("-dark") : QStringLiteral("");
            SettingsView::ShortcutControl shortcut;
            shortcut.startupFailure = [dark]() -> std::optional<GrabError> {
                if (dark)
                    return GrabError{GrabError::Kind::taken};
                return std::nullopt;
            };
            SettingsView settings(store, checker.validator(), shortcut);
            if (dark)
                settings.setPalette(darkPalette());
            const QImage s = snapshot(settings, QStringLiteral("settings") + suffix + tone);
            EXPECT_EQ(s.size(), QSize(960, 1120));
            EXPECT_GT(distinctColours(s), 8);

            accessibility.trusted = dark;
            OnboardingView onboarding(store, accessibility, scheduler, checker.validator(), [] {});
            if (dark)
                onboarding.setPalette(darkPalette());
            for (int step = 0; step < 3; ++step) {
                const QImage o =
                    snapshot(onboarding, QStringLiteral("onboarding-step%1").arg(step) + suffix + tone);
                EXPECT_EQ(o.size(), QSize(1040, 960));
                EXPECT_GT(distinctColours(o), 8);
                accessibility.trusted = true;
                scheduler.advance(OnboardingView::permissionPollInterval);
                onboarding.goForward();
            }
        }
    }
    std::printf("window pictures in %s\n", qPrintable(folder()));
}

}  // namespace
