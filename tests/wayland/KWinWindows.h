// What KWin knows, asked through scripts the test loads into it beside Quillet's: the windows it
// has, and what another script there gets when it calls Quillet.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QTemporaryDir>
#include <optional>

#include "support/TestEnv.h"

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

public Q_SLOTS:
    void Report(const QString& json) { m_report = QJsonDocument::fromJson(json.toUtf8()).array(); }

private:
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
};

}  // namespace quillet::test
