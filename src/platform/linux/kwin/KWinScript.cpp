// What Quillet and its helper script inside KWin say to each other: the script's text for the KWin
#include "platform/linux/kwin/KWinScript.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace quillet::KWinScript {

namespace {

QJsonObject rectObject(const QRect& r) {
    return QJsonObject{{QStringLiteral("x"), r.x()},
                       {QStringLiteral("y"), r.y()},
                       {QStringLiteral("w"), r.width()},
                       {QStringLiteral("h"), r.height()}};
}

std::optional<Rect> rectOf(const QJsonValue& value) {
    const QJsonObject o = value.toObject();
    for (const char* key : {"x", "y", "w", "h"}) {
        if (!o.value(QLatin1String(key)).isDouble())
            return std::nullopt;
    }
    const double w = o.value(QLatin1String("w")).toDouble();
    const double h = o.value(QLatin1String("h")).toDouble();
    if (w <= 0 || h <= 0)
        return std::nullopt;
    return Rect(o.value(QLatin1String("x")).toDouble(), o.value(QLatin1String("y")).toDouble(), w, h);
}

QByteArray compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

}  // namespace

bool fitSecret(const QString& secret) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{32,128}$"));
    return plain.match(secret).hasMatch();
}

std::optional<QString> text(const QString& templateText, int plasmaVersion, const QString& service,
                            qint64 pid, const QString& secret) {
    // A unique bus name (":1.42") or a well-known one; nothing that could end the string it goes in.
    static const QRegularExpression busName(QStringLiteral("^:?[A-Za-z0-9_.-]{1,255}$"));
    if (!busName.match(service).hasMatch() || pid <= 0 || !fitSecret(secret) ||
        !templateText.contains(QLatin1String("@SERVICE@")) ||
        !templateText.contains(QLatin1String("@SECRET@")))
        return std::nullopt;
    QString script = templateText;
    const bool six = plasmaVersion >= 6;
    script.replace(QLatin1String("@KWIN_MODULE@"),
                   six ? QLatin1String("org.kde.kwin 3.0") : QLatin1String("org.kde.kwin 2.0"));
    script.replace(QLatin1String("@WORKSPACE@"),
                   six ? QLatin1String("KWinComponents.Workspace") : QLatin1String("workspace"));
    script.replace(QLatin1String("@SERVICE@"), service);
    script.replace(QLatin1String("@PID@"), QString::number(pid));
    script.replace(QLatin1String("@SECRET@"), secret);
    return script;
}

int plasmaVersion(const QString& kwinSupportInformation, const QString& sessionVersion) {
    static const QRegularExpression kwinVersion(QStringLiteral("^KWin version: *(\\d+)\\."),
                                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch said = kwinVersion.match(kwinSupportInformation);
    bool ok = false;
    const int version = (said.hasMatch() ? said.captured(1) : sessionVersion.trimmed()).toInt(&ok);
    return ok && version >= 6 ? 6 : 5;
}

std::optional<ActiveWindow> activeWindow(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const QJsonValue pid = o.value(QLatin1String("pid"));
    if (!pid.isDouble() || pid.toDouble() < 0)
        return std::nullopt;
    ActiveWindow window;
    window.pid = qint32(pid.toDouble());
    if (window.pid == 0)
        return window;
    const std::optional<Rect> frame = rectOf(o.value(QLatin1String("frame")));
    const std::optional<Rect> buffer = rectOf(o.value(QLatin1String("buffer")));
    if (!frame || !buffer)
        return std::nullopt;
    window.rects = ScreenPosition::WindowRects{*frame, *buffer};
    return window;
}

QByteArray showIcon(const QRect& rect, const QString& look, const QString& tooltip) {
    QJsonObject icon = rectObject(rect);
    icon.insert(QStringLiteral("look"), look);
    icon.insert(QStringLiteral("tip"), tooltip);
    return compact(QJsonObject{{QStringLiteral("icon"), icon}});
}

QByteArray hideIcon() {
    return compact(QJsonObject{{QStringLiteral("hide"), true}});
}

QByteArray place(const QString& title, const QRect& rect, bool focus) {
    QJsonObject order = rectObject(rect);
    order.insert(QStringLiteral("title"), title);
    order.insert(QStringLiteral("focus"), focus);
    return compact(QJsonObject{{QStringLiteral("place"), order}});
}

QByteArray activate(qint32 pid) {
    return compact(QJsonObject{{QStringLiteral("activate"), pid}});
}

QByteArray quit() {
    return compact(QJsonObject{{QStringLiteral("quit"), true}});
}

bool concernsIcon(const QByteArray& order) {
    const QJsonObject o = QJsonDocument::fromJson(order).object();
    return o.contains(QLatin1String("icon")) || o.contains(QLatin1String("hide"));
}

}  // namespace quillet::KWinScript
