// Launch at login as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/quillet.desktop.
#include "platform/linux/system/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillet {

namespace {
// Quoting of the Exec key: reserved characters inside double quotes get a backslash.
QString quotedExec(const QString& program) {
    QString escaped;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    // The desktop-entry format itself escapes backslashes once more.
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
}  // namespace

XdgAutostart::XdgAutostart(QString program, QString path)
    : m_program(std::move(program)), m_path(std::move(path)) {}

QString XdgAutostart::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/quillet.desktop");
}

QString XdgAutostart::entry() const {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Quillet\n"
               "Comment=Writing assistant for any text field\n"
               "Exec=%1\n"
               "Icon=com.lumenfold.quillet\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n")
        .arg(quotedExec(m_program));
}

std::optional<QString> XdgAutostart::registerItem() {
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir))
        return QStringLiteral("cannot create the folder %1").arg(dir);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
    file.write(entry().toUtf8());
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
    return std::nullopt;
}

std::optional<QString> XdgAutostart::unregisterItem() {
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return std::nullopt;
    return QStringLiteral("cannot remove %1: %2").arg(m_path, file.errorString());
}

}  // namespace quillet
