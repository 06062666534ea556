// Shared by the widget tests: a small clipboard double, the interface language, the texts a view shows,
// and rendering to PNG files a person can look at (build/tests/ui-renders/).
#pragma once

#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QWidget>

#include "core/SettingsStore.h"
#include "platform/Clipboard.h"
#include "support/FakeDesktop.h"

namespace quillet::test {

class MemoryClipboard final : public Clipboard {
public:
    QList<ClipboardItem> items() override { return contents; }
    void clear() override {
        contents.clear();
        ++count;
    }
    void write(const QList<ClipboardItem>& items) override {
        contents = items;
        ++count;
        ++writes;
    }
    std::optional<QString> plainText() override {
        for (const ClipboardItem& item : contents)
            if (item.contains(ClipboardType::plainText))
                return QString::fromUtf8(item.value(ClipboardType::plainText));
        return std::nullopt;
    }
    qint64 serial() override { return count; }

    QList<ClipboardItem> contents;
    qint64 count = 0;
    int writes = 0;
};

/// Installs a settings store on fakes for the test's lifetime, in `lang`.
class LanguageScope {
public:
    explicit LanguageScope(AppLanguage lang) { m_fakes.settings.setLanguage(lang); }
    SettingsStore& store() { return m_fakes.settings; }

private:
    FakeDesktop m_fakes;
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

/// What `root` shows and says, each text keyed by its widget's place among the others and its kind.
inline QMap<QString, QString> texts(QWidget* root) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // widgets replaced by a redraw
    QMap<QString, QString> out;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets << root;
    int place = 0;
    for (QWidget* w : widgets) {
        const QString id =
            QStringLiteral("%1 %2 %3 ").arg(place++).arg(w->metaObject()->className(), w->objectName());
        if (auto* label = qobject_cast<QLabel*>(w))
            out[id + "text"] = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            out[id + "text"] = button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            out[id + "placeholder"] = edit->placeholderText();
        out[id + "name"] = w->accessibleName();
        out[id + "tip"] = w->toolTip();
    }
    return out;
}

/// The texts of `before` that `root`, drawn again with the same widgets, still shows the same, but for
/// those `allowed` to: after a change of language, those that were not translated.
inline QStringList unchanged(const QMap<QString, QString>& before, QWidget* root,
                             const QStringList& allowed = {}) {
    const QMap<QString, QString> after = texts(root);
    EXPECT_EQ(after.keys(), before.keys()) << "the same widgets, to compare";
    QStringList same;
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!it->isEmpty() && after.value(it.key()) == *it && !same.contains(*it) && !allowed.contains(*it))
            same << *it;
    return same;
}

}  // namespace quillet::test
