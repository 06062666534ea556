#include "ui/ScreenshotRenderer.h"

#include <QApplication>
#include <QColorSpace>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QMap>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QVariant>
#include <cstdio>
#include <memory>

#include "core/KeychainManager.h"
#include "core/OpenAIClient.h"
#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/Accessibility.h"
#include "platform/Defaults.h"
#include "platform/HttpTransport.h"
#include "platform/LanguageRecognizer.h"
#include "platform/LoginItem.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"
#include "platform/SecretStore.h"
#include "platform/SystemLog.h"
#include "ui/OnboardingView.h"
#include "ui/OverlayIconView.h"
#include "ui/SettingsView.h"
#include "ui/SuggestionView.h"

namespace quillet::ScreenshotRenderer {

namespace {

// The services behind the views are stand-ins that keep everything inside this process: the
// pictures must never depend on, or change, the user's keyring, preferences, clipboard or network.

// Reads the user's preferences when given; whatever a view writes stays in memory.
class PreviewDefaults final : public Defaults {
public:
    explicit PreviewDefaults(const Defaults* base) : m_base(base) {}

    std::optional<QString> string(const QString& key) const override {
        return read<QString>(key, [this, &key] { return m_base->string(key); });
    }
    std::optional<qint64> integer(const QString& key) const override {
        return read<qint64>(key, [this, &key] { return m_base->integer(key); });
    }
    std::optional<bool> boolean(const QString& key) const override {
        return read<bool>(key, [this, &key] { return m_base->boolean(key); });
    }
    std::optional<QStringList> stringList(const QString& key) const override {
        return read<QStringList>(key, [this, &key] { return m_base->stringList(key); });
    }
    void setString(const QString& key, const QString& value) override { m_written[key] = value; }
    void setInteger(const QString& key, qint64 value) override { m_written[key] = value; }
    void setBoolean(const QString& key, bool value) override { m_written[key] = value; }
    void setStringList(const QString& key, const QStringList& value) override { m_written[key] = value; }

private:
    template <typename T, typename Fallback>
    std::optional<T> read(const QString& key, Fallback fallback) const {
        if (m_written.contains(key)) {
            const QVariant v = m_written.value(key);
            if (v.metaType() == QMetaType::fromType<T>())
                return v.value<T>();
            return std::nullopt;
        }
        return m_base ? fallback() : std::nullopt;
    }

    const Defaults* m_base;
    QMap<QString, QVariant> m_written;
};

// Never asked while the preview key is set; answers "nothing there" all the same.
class NoSecrets final : public SecretStore {
public:
    Ticket read(const QString&, const QString&, std::function<void(Reply)> done) override {
        done({Status::unavailable, {}});
        return 0;
    }
    Ticket write(const QString&, const QString&, const QByteArray&,
                 std::function<void(Status)> done) override {
        done(Status::unavailable);
        return 0;
    }
    Ticket remove(const QString&, const QString&, std::function<void(Status)> done) override {
        done(Status::unavailable);
        return 0;
    }
    Ticket unlock(const QString&, const QString&, std::function<void(bool)> done) override {
        done(false);
        return 0;
    }
    void cancel(Ticket) override {}
};

class NoLoginItem final : public LoginItem {
public:
    std::optional<QString> registerItem() override { return std::nullopt; }
    std::optional<QString> unregisterItem() override { return std::nullopt; }
};

class SilentLog final : public SystemLog {
public:
    void write(const QString&) override {}
};

class OfflineTransport final : public HttpTransport {
public:
    HttpRequestId send(const HttpRequest&, std::function<void(HttpReply)>) override { return 0; }
    void cancel(HttpRequestId) override {}
};

// Timers never fire: every picture is taken before anything would be due.
class StillScheduler final : public Scheduler {
public:
    TimerId after(std::chrono::milliseconds, std::function<void()>) override { return ++m_next; }
    TimerId every(std::chrono::milliseconds, std::function<void()>) override { return ++m_next; }
    void post(std::function<void()>) override {}
    void cancel(TimerId) override {}
    std::chrono::milliseconds now() const override { return std::chrono::milliseconds{0}; }

private:
    TimerId m_next = 0;
};

class NoLanguages final : public LanguageRecognizer {
public:
    std::optional<QString> dominantLanguage(const QString&) const override { return std::nullopt; }
};

class MemoryPasteboard final : public Pasteboard {
public:
    QList<PasteboardItem> items() override { return m_items; }
    void clear() override { m_items.clear(); }
    void write(const QList<PasteboardItem>& items) override { m_items = items; }
    std::optional<QString> plainText() override { return std::nullopt; }
    qint64 changeCount() override { return 0; }

private:
    QList<PasteboardItem> m_items;
};

// A desktop seen only through its accessibility switch: the setup opens on its first step as a new
// user sees it, with the switch as it is.
class NoAccessibility final : public Accessibility {
public:
    explicit NoAccessibility(bool switchedOn) : m_switchedOn(switchedOn) {}
    bool isProcessTrusted() override { return m_switchedOn; }
    void requestTrust() override {}
    bool isSecureEventInputEnabled() override { return false; }
    AXElement systemWide() override { return {}; }
    AXElement application(qint32) override { return {}; }
    AXError copyAttribute(const AXElement&, const QString&, AXValue&) override {
        return AXError::apiDisabled;
    }
    AXError isAttributeSettable(const AXElement&, const QString&, bool&) override {
        return AXError::apiDisabled;
    }
    AXError setAttribute(const AXElement&, const QString&, const AXValue&) override {
        return AXError::apiDisabled;
    }
    AXError pid(const AXElement&, qint32&) override { return AXError::apiDisabled; }
    std::unique_ptr<AXObserver> createObserver(qint32, AXNotificationHandler) override { return nullptr; }

private:
    bool m_switchedOn;
};

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
void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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
    settle(400);
    snapshot(view, size, name, dir, view.testAttribute(Qt::WA_TranslucentBackground));
    view.hide();
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

void renderAll(const QString& directory, const Defaults* preferences, bool accessibilityOn) {
    const QDir dir(QDir::current().absoluteFilePath(directory));
    QDir().mkpath(dir.absolutePath());

    const std::optional<QString> previousKey = KeychainManager::previewKey;
    KeychainManager::previewKey = demoKey;

    PreviewDefaults defaults(preferences);
    NoSecrets secrets;
    NoLoginItem loginItem;
    SilentLog log;
    StillScheduler scheduler;
    SettingsStore* const previousStore = SettingsStore::sharedIfInstalled();
    SettingsStore store(defaults, secrets, loginItem, log, scheduler);
    SettingsStore::install(&store);

    OfflineTransport transport;
    NoLanguages languages;
    MemoryPasteboard pasteboard;
    NoAccessibility accessibility(accessibilityOn);
    const OpenAIClient client(SettingsStore::defaultApiBaseURL, QStringLiteral("sk-mock"),
                              QStringLiteral("gpt-4o-mini"), transport, scheduler, languages);
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
            SuggestionView view(a, pasteboard);
            capture(view, QSize(400, 340), QStringLiteral("popover-correction"), dir);
        }
        {
            SuggestionView view(b, pasteboard);
            capture(view, QSize(400, 340), QStringLiteral("popover-rephrase"), dir);
        }
        const KeyValidator neverChecked = [](const QString&, std::function<void(bool)>) {};
        {
            SettingsView view(store, neverChecked);
            capture(view, QSize(SettingsView::width, SettingsView::height), QStringLiteral("settings"), dir);
        }
        {
            OnboardingView view(store, accessibility, scheduler, neverChecked, [] {});
            capture(view, QSize(OnboardingView::width, OnboardingView::height), QStringLiteral("onboarding"),
                    dir);
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
    KeychainManager::previewKey = previousKey;
}

}  // namespace quillet::ScreenshotRenderer
