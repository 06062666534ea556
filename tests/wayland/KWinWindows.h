// What KWin knows, asked through scripts the test loads into it beside Quillet's: the windows it
// has, and what another script there gets when it calls Quillet.
#pragma once

#include <poll.h>
#include <unistd.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QRectF>
#include <QTemporaryDir>
#include <optional>

#include "wayland/EditorSession.h"

namespace quillet::test {

/// Scripts of the test's inside KWin, which report to it over the bus: the windows KWin has (pid,
/// caption, frame, buffer, active), or whatever a script of the test's own says.
class KWinWindows : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.lumenfold.quillet.TestProbe")
public:
    KWinWindows() {
        QDBusConnection::sessionBus().registerObject("/probe", this, QDBusConnection::ExportAllSlots);
    }
    QJsonArray list() {
        return run("windows.js", "loadScript",
                   QStringLiteral(
                       "var r = function (g) { return [g.x, g.y, g.width, g.height]; };\n"
                       "var all = workspace.windowList ? workspace.windowList() : workspace.clientList();\n"
                       "callDBus('%1', '/probe', 'com.lumenfold.quillet.TestProbe', 'Report', JSON.stringify("
                       "all.map(function (w) { return { pid: w.pid, caption: String(w.caption), "
                       "frame: r(w.frameGeometry), buffer: r(w.bufferGeometry), active: w.active }; })));\n")
                       .arg(QDBusConnection::sessionBus().baseService()));
    }
    std::optional<QJsonObject> of(qint64 pid, const QString& caption = {}) {
        for (const QJsonValue& w : list()) {
            const QJsonObject o = w.toObject();
            if (o["pid"].toInteger() == pid &&
                (caption.isEmpty() ? o["active"].toBool() : o["caption"] == caption))
                return o;
        }
        return std::nullopt;
    }
    /// Runs `qml` (with @PROBE@ standing for the test's name on the bus) as a declarative script in
    /// KWin and returns the list it reports; empty when it reports nothing within `timeoutMs`.
    QJsonArray runQml(const QString& qml, int timeoutMs = 5000) {
        // KWin compiles a QML file once per name: each run has its own.
        return run(QStringLiteral("probe-%1.qml").arg(++m_runs), "loadDeclarativeScript",
                   QString(qml).replace("@PROBE@", QDBusConnection::sessionBus().baseService()), timeoutMs);
    }

    /// The window of KWin's own that Quillet's icon is, where KWin lists it (KWin 6 does): 24 points
    /// wide, near the bottom-right corner of `field`.
    std::optional<QRectF> iconListed(const QRectF& field) {
        const QRectF around(field.right() - 80, field.bottom() - 80, 120, 120);
        for (const QJsonValue& w : list()) {
            const QRectF r = rectOf(w.toObject()["frame"]);
            if (w.toObject()["pid"].toInteger() <= 0 && std::abs(r.width() - 24) <= 2 &&
                std::abs(r.height() - 24) <= 2 && around.contains(r))
                return r;
        }
        return std::nullopt;
    }
    /// The icon at `field`: seen on screen where KWin takes screenshots, else as KWin lists it.
    std::optional<QRectF> iconAt(const QRectF& field) {
        if (!m_seen)
            m_seen = takesScreenshots();
        return *m_seen ? iconShown(field) : iconListed(field);
    }
    /// Where Quillet's icon shows inside `area` of the screen: the box of its teal ring in KWin's
    /// screenshot. None where KWin takes no screenshot (KWin 6 takes them only when it composites
    /// with OpenGL), nor lists the window of its own the icon is.
    std::optional<QRectF> iconIn(const QRect& area) {
        const QImage shot = screenshot(area).convertToFormat(QImage::Format_RGB32);
        QRect box;
        for (int y = 0; y < shot.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
            for (int x = 0; x < shot.width(); ++x) {
                if (std::abs(qRed(line[x]) - 0x1f) < 24 && std::abs(qGreen(line[x]) - 0x91) < 24 &&
                    std::abs(qBlue(line[x]) - 0xa3) < 24)
                    box |= QRect(x, y, 1, 1);
            }
        }
        return box.isEmpty() ? std::nullopt : std::optional<QRectF>(QRectF(box.translated(area.topLeft())));
    }
    /// Whether KWin shows the test what is on the screen (KWin 6 does only when it composites with
    /// OpenGL, which needs a GPU device).
    bool takesScreenshots() { return !screenshot(QRect(0, 0, 8, 8)).isNull(); }
    /// The icon near the bottom-right corner of `field`.
    std::optional<QRectF> iconShown(const QRectF& field) {
        return iconIn(QRect(int(field.right()) - 80, int(field.bottom()) - 80, 120, 120) & kScreen);
    }
    /// Where on the whole screen the icon shows, where the field is and which windows KWin has, for
    /// a failure to say.
    std::string iconAndField(const std::optional<QRectF>& field) {
        const auto said = [](const std::optional<QRectF>& r) {
            return r ? QStringLiteral("%1,%2 %3x%4").arg(r->x()).arg(r->y()).arg(r->width()).arg(r->height())
                     : QStringLiteral("none");
        };
        return QStringLiteral("icon at %1, field at %2; KWin's windows: %3")
            .arg(said(iconIn(kScreen)), said(field),
                 QString::fromUtf8(QJsonDocument(list()).toJson(QJsonDocument::Compact)))
            .toStdString();
    }

public Q_SLOTS:
    void Report(const QString& json) { m_report = QJsonDocument::fromJson(json.toUtf8()).array(); }

private:
    static constexpr QRect kScreen{0, 0, 1280, 800};

    /// What KWin shows in `area` of the screen, through its screenshot service; nothing where the
    /// service refuses.
    static QImage screenshot(const QRect& area) {
        int fds[2];
        if (pipe(fds) != 0)
            return {};
        QDBusMessage reply;
        {
            // Every copy of the writing end must be gone before the end of the picture can be read.
            QDBusMessage call =
                QDBusMessage::createMethodCall("org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2",
                                               "org.kde.KWin.ScreenShot2", "CaptureArea");
            call.setArguments({area.x(), area.y(), uint(area.width()), uint(area.height()), QVariantMap(),
                               QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]))});
            close(fds[1]);
            reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
        }
        QByteArray data;
        char buffer[65536];
        pollfd readable{fds[0], POLLIN, 0};
        while (reply.type() == QDBusMessage::ReplyMessage && poll(&readable, 1, 3000) > 0) {
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            data.append(buffer, n);
        }
        close(fds[0]);
        const QVariantMap meta = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        const int width = meta["width"].toInt(), height = meta["height"].toInt(),
                  stride = meta["stride"].toInt();
        if (width <= 0 || data.size() < qsizetype(stride) * height)
            return {};
        return QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, stride,
                      QImage::Format(meta["format"].toInt()))
            .copy();
    }
    QJsonArray run(const QString& name, const char* load, const QString& text, int timeoutMs = 5000) {
        QFile script(dir.filePath(name));
        if (!script.open(QIODevice::WriteOnly))
            return {};
        script.write(text.toUtf8());
        script.close();
        m_report.reset();
        kwin("unloadScript", {QStringLiteral("quillet-test")});
        waitUntil([] { return !kwin("isScriptLoaded", {QStringLiteral("quillet-test")}).value(0).toBool(); });
        kwin(load, {script.fileName(), QStringLiteral("quillet-test")});
        kwin("start", {});
        waitUntil([&] { return m_report.has_value(); }, timeoutMs);
        return m_report.value_or(QJsonArray());
    }
    static QVariantList kwin(const QString& method, const QList<QVariant>& args) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).arguments();
    }
    QTemporaryDir dir;
    std::optional<QJsonArray> m_report;
    int m_runs = 0;
    std::optional<bool> m_seen;
};

}  // namespace quillet::test
