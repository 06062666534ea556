// Shared by the floating-surface widget tests: a small clipboard double, the interface language, and
// rendering to PNG files a person can look at (build/tests/ui-renders/).
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <memory>

#include "core/SettingsStore.h"
#include "platform/Pasteboard.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"

namespace quillet::test {

class MemoryPasteboard final : public Pasteboard {
public:
    QList<PasteboardItem> items() override { return contents; }
    void clear() override {
        contents.clear();
        ++count;
    }
    void write(const QList<PasteboardItem>& items) override {
        contents = items;
        ++count;
        ++writes;
    }
    std::optional<QString> plainText() override {
        for (const PasteboardItem& item : contents)
            if (item.contains(PasteboardType::plainText))
                return QString::fromUtf8(item.value(PasteboardType::plainText));
        return std::nullopt;
    }
    qint64 changeCount() override { return count; }

    QList<PasteboardItem> contents;
    qint64 count = 0;
    int writes = 0;
};

/// Installs a settings store on fakes for the test's lifetime, in `lang`.
class LanguageScope {
public:
    explicit LanguageScope(AppLanguage lang) {
        m_store = std::make_unique<SettingsStore>(m_defaults, m_secrets, m_loginItem, m_log, m_clock);
        m_store->setLanguage(lang);
        SettingsStore::install(m_store.get());
    }
    ~LanguageScope() { SettingsStore::install(nullptr); }
    SettingsStore& store() { return *m_store; }

private:
    FakeScheduler m_clock;
    FakeDefaults m_defaults;
    FakeSecretStore m_secrets;
    FakeLoginItem m_loginItem;
    FakeSystemLog m_log;
    std::unique_ptr<SettingsStore> m_store;
};

/// Where the rendered images go.
inline QString renderDir() {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("ui-renders"));
    return dir.filePath(QStringLiteral("ui-renders"));
}

/// `widget` drawn at double density on a transparent background; also saved as `name`.png.
inline QImage render(QWidget& widget, const QString& name = {}) {
    QImage image(widget.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    if (!name.isEmpty())
        image.save(renderDir() + QLatin1Char('/') + name + QStringLiteral(".png"));
    return image;
}

/// Whether two colours agree within `tolerance` per 8-bit channel.
inline bool near(const QColor& a, const QColor& b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace quillet::test
