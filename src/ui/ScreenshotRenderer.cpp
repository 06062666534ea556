// Draws the program's main views with fixed demonstration data into PNG files, off screen and offline.
#include "ui/ScreenshotRenderer.h"

#include <QApplication>
#include <QColorSpace>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <cstdio>

#include "core/OpenAIClient.h"
#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "ui/OnboardingView.h"
#include "ui/OverlayIconView.h"
#include "ui/SettingsView.h"
#include "ui/SuggestionView.h"

namespace quillet::ScreenshotRenderer {

namespace {

QPalette darkPalette() {
    QPalette p;
    const QColor window(0x1E, 0x1E, 0x1E), text(0xEC, 0xEC, 0xEC), dim(0x8A, 0x8A, 0x8A);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::ToolTipBase, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3A));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::PlaceholderText, dim);
    p.setColor(QPalette::Light, QColor(0x4A, 0x4A, 0x4A));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x1F, 0x91, 0xA3));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x4F, 0xC3, 0xD4));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dim);
    return p;
}

// The application's look while the pictures are taken, put back afterwards: Fusion with the dark
// palette, whatever the desktop's theme, so every run draws the same pixels.
class DarkAppearance {
public:
    DarkAppearance() : m_palette(QApplication::palette()), m_styleName(QApplication::style()->name()) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    ~DarkAppearance() {
        if (QStyle* style = QStyleFactory::create(m_styleName))
            QApplication::setStyle(style);
        QApplication::setPalette(m_palette);
    }
    DarkAppearance(const DarkAppearance&) = delete;
    DarkAppearance& operator=(const DarkAppearance&) = delete;

private:
    QPalette m_palette;
    QString m_styleName;
};

void print(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Runs the event loop for `ms`, so layouts, style sheets and deferred updates are done.
void settle() {
    // The layout, polish and deferred calls a shown view posts to itself; each round may post more.
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Draws `view` at `size` points into `dir`/`name`.png at double density; prints its line.
void snapshot(QWidget& view, QSize size, const QString& name, const QDir& dir, bool clear) {
    const QSize pixels = size * pixelRatio;
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(pixelRatio);
    image.setColorSpace(QColorSpace::SRgb);
    // The point size as the image's physical size: 72 points to the inch.
    const int dotsPerMeter = qRound(72.0 * pixelRatio / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    // A floating surface keeps its clear surroundings; a window's content sits on the window's colour.
    image.fill(clear ? QColor(Qt::transparent) : view.palette().color(QPalette::Window));
    view.render(&image, QPoint(), QRegion(),
                clear ? QWidget::DrawChildren : QWidget::DrawWindowBackground | QWidget::DrawChildren);

    const QString file = name + QStringLiteral(".png");
    (void)image.convertToFormat(QImage::Format_ARGB32).save(dir.filePath(file), "PNG");
    print(QStringLiteral("  %1 (%2×%3)").arg(file).arg(pixels.width()).arg(pixels.height()));
}

// Lays a never-shown top-level view out as a window would, lets it settle, and takes its picture.
void capture(QWidget& view, QSize size, const QString& name, const QDir& dir) {
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(size);
    view.show();
    QCoreApplication::processEvents();
    settle();
    snapshot(view, size, name, dir, view.testAttribute(Qt::WA_TranslucentBackground));
    view.hide();
}

QList<std::pair<SettingsView::Page, QString>> settingsPictures() {
    using Page = SettingsView::Page;
    return {{Page::general, QStringLiteral("settings")},
            {Page::server, QStringLiteral("settings-server")},
            {Page::shortcut, QStringLiteral("settings-shortcut")},
            {Page::blocked, QStringLiteral("settings-blocked")},
            {Page::actions, QStringLiteral("settings-actions")}};
}

CorrectionResult demoCorrection() {
    return CorrectionResult{
        QStringLiteral("I went to the store yesterday and bought two apples."),
        {
            {QStringLiteral("has went"), QStringLiteral("went"), QStringLiteral("verb tense")},
            {QStringLiteral("buyed"), QStringLiteral("bought"), QStringLiteral("irregular verb")},
            {QStringLiteral("two apple"), QStringLiteral("two apples"), QStringLiteral("plural agreement")},
        }};
}

RephraseResult demoRephrase() {
    return RephraseResult{{
        {QStringLiteral("neutral"),
         QStringLiteral("I went to the store yesterday and picked up two apples.")},
        {QStringLiteral("professional"),
         QStringLiteral("Yesterday I visited the store and purchased two apples.")},
        {QStringLiteral("concise"), QStringLiteral("Bought two apples at the store yesterday.")},
    }};
}

}  // namespace

void renderAll(const QString& directory, const Services& services) {
    const QDir dir(QDir::current().absoluteFilePath(directory));
    QDir().mkpath(dir.absolutePath());

    Scheduler& scheduler = services.scheduler;
    SettingsStore* const previousStore = SettingsStore::sharedIfInstalled();
    SettingsStore store(services.defaults, services.secrets, services.autostart, services.log, scheduler);
    SettingsStore::install(&store);

    const OpenAIClient client(SettingsStore::defaultApiBaseURL, QStringLiteral("sk-mock"),
                              QStringLiteral("gpt-4o-mini"), services.http, scheduler, services.languages);
    const QString text = QStringLiteral("I has went to the store yesterday and buyed two apple.");

    {
        DarkAppearance dark;

        SuggestionViewModel a(text, client);
        a.setSelectedTab(0);
        a.setCorrection(SuggestionViewModel::CorrectionLoad::loaded(demoCorrection()));
        SuggestionViewModel b(text, client);
        b.setSelectedTab(1);
        b.setRephrase(SuggestionViewModel::RephraseLoad::loaded(demoRephrase()));

        {
            SuggestionView view(a, services.clipboard);
            capture(view, QSize(400, 340), QStringLiteral("popover-correction"), dir);
        }
        {
            SuggestionView view(b, services.clipboard);
            capture(view, QSize(400, 340), QStringLiteral("popover-rephrase"), dir);
        }
        const KeyValidator neverChecked = [](const QString&, const QString&, std::function<void(bool)>) {};
        {
            // One picture per page, the first under the window's own name.
            SettingsView view(store, neverChecked);
            const QSize size(SettingsView::width, SettingsView::height);
            for (const auto& [page, name] : settingsPictures()) {
                view.showPage(page);
                capture(view, size, name, dir);
            }
        }
        {
            OnboardingView view(store, services.accessibility, scheduler, neverChecked, [] {});
            const QSize size(OnboardingView::width, OnboardingView::height);
            capture(view, size, QStringLiteral("onboarding"), dir);
            view.presentStep(OnboardingView::apiKey);
            capture(view, size, QStringLiteral("onboarding-key"), dir);
            view.presentStep(OnboardingView::test);
            capture(view, size, QStringLiteral("onboarding-try"), dir);
            view.stopPolling();
        }
    }

    // The icon draws its own white disc: no window, no palette, no wait.
    OverlayIconView icon;
    icon.resize(96, 96);
    icon.setState(IconState::ready);
    snapshot(icon, QSize(96, 96), QStringLiteral("overlay-icon"), dir, true);

    print(QStringLiteral("Screenshots written to ") + dir.absolutePath());

    SettingsStore::install(previousStore);
}

}  // namespace quillet::ScreenshotRenderer
