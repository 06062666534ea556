// The preferences database as an INI file, $XDG_CONFIG_HOME/quillet/quillet.conf.
#include "platform/linux/system/IniDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/SystemLog.h"

namespace quillet {

namespace {
// A plain INI value reads back as a string, or as a list when it holds unquoted commas.
std::optional<QString> plainString(const QVariant& v) {
    if (v.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return v.toString();
}

// Nothing there yet, or a file (a link to one included): anything else could block a read for ever
// (a FIFO without a writer), or never end (a device).
bool safeToOpen(const QString& path) {
    const QFileInfo info(path);
    return !info.exists() ? !info.isSymLink() : info.isFile();
}
// The value of `key` as it stands in the file: the text after "key=" among the keys of no group
// (before any section, or in [General]), without the spaces around it; the last one wins, as in
// QSettings.
std::optional<QString> writtenValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!safeToOpen(path) || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    bool general = true;
    std::optional<QString> found;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            general = line == QLatin1String("[General]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (general && equals > 0 && line.left(equals).trimmed() == key)
            found = line.mid(equals + 1).trimmed();
    }
    return found;
}

}  // namespace

QString IniDefaults::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/quillet/quillet.conf");
}

IniDefaults::IniDefaults(SystemLog* log) : IniDefaults(defaultPath(), log) {}

IniDefaults::IniDefaults(const QString& path, SystemLog* log) : m_path(path) {
    if (safeToOpen(path)) {
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    } else if (log) {
        log->write(
            QStringLiteral("Quillet: the preferences file %1 is not a regular file; using the defaults")
                .arg(path));
    }
}

IniDefaults::~IniDefaults() = default;

void IniDefaults::closeToOthers() {
    QFile file(m_path);
    if (m_settings && file.exists())
        file.setPermissions(file.permissions() & (QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

std::optional<QString> IniDefaults::string(const QString& key) const {
    if (!m_settings || !m_settings->contains(key))
        return std::nullopt;
    return plainString(m_settings->value(key));
}

std::optional<QString> IniDefaults::text(const QString& key) const {
    if (!m_settings || !m_settings->contains(key))
        return std::nullopt;
    const QVariant v = m_settings->value(key);
    if (v.metaType() == QMetaType::fromType<QStringList>())
        return writtenValue(m_path, key);
    return plainString(v);
}

std::optional<qint64> IniDefaults::integer(const QString& key) const {
    if (!m_settings || !m_settings->contains(key))
        return std::nullopt;
    const QVariant v = m_settings->value(key);
    // Values written by this process are cached with their type; values read from the file are text.
    switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            return v.toLongLong();
        case QMetaType::QString: {
            bool ok = false;
            const qint64 value = v.toString().trimmed().toLongLong(&ok);
            return ok ? std::optional<qint64>(value) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

std::optional<bool> IniDefaults::boolean(const QString& key) const {
    if (!m_settings || !m_settings->contains(key))
        return std::nullopt;
    const QVariant v = m_settings->value(key);
    if (v.metaType() == QMetaType::fromType<bool>())
        return v.toBool();
    const std::optional<QString> text = plainString(v);
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return std::nullopt;
}

// Lists are kept in QSettings' array form ([key] size=N, 1\value=...), which tells an empty list
// apart from no list and a one-item list apart from a string.
std::optional<QStringList> IniDefaults::stringList(const QString& key) const {
    const std::optional<qint64> size = integer(key + QStringLiteral("/size"));
    if (!size || *size < 0 || *size > 100000)
        return std::nullopt;
    QStringList list;
    list.reserve(static_cast<qsizetype>(*size));
    for (qint64 i = 1; i <= *size; ++i) {
        const std::optional<QString> item =
            string(key + QLatin1Char('/') + QString::number(i) + QStringLiteral("/value"));
        if (!item)
            return std::nullopt;
        list << *item;
    }
    return list;
}

bool IniDefaults::setString(const QString& key, const QString& value) {
    return store(key, IniFile::encoded(value));
}

bool IniDefaults::setInteger(const QString& key, qint64 value) {
    return store(key, QByteArray::number(value));
}

bool IniDefaults::setBoolean(const QString& key, bool value) {
    return store(key, value ? QByteArray("true") : QByteArray("false"));
}

bool IniDefaults::setStringList(const QString& key, const QStringList& value) {
    return store(key, value);
}

// QSettings would write every value back as it read it, and a value the user typed is not always one
// it reads as typed (an unquoted JSON text with commas comes back as a list, its quotes gone): only
// the key's own lines change here, in a new file that takes the old one's place whole or not at all.
bool IniDefaults::store(const QString& key, const std::variant<IniFile::Plain, IniFile::Array>& value) {
    // One swapped for a FIFO since the start is left alone, as is one refused then.
    if (!m_settings || !safeToOpen(m_path))
        return false;
    QByteArray before;
    const QFileInfo old(m_path);
    if (old.exists()) {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        before = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
    }
    if (!QDir().mkpath(old.absolutePath()))
        return false;
    const QByteArray after = IniFile::withValue(before, key, value);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The server's address and the user's own actions are no one else's business.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(after) != after.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    // QSettings reads a file again only when its size or time changed: a change of the same size
    // within the same millisecond as the last one still gets a later time.
    const QDateTime last = old.exists() ? old.lastModified() : QDateTime();
    if (last.isValid() && file.fileTime(QFileDevice::FileModificationTime) <= last)
        file.setFileTime(last.addMSecs(1), QFileDevice::FileModificationTime);
    if (!file.commit())
        return false;
    m_settings->sync();
    return true;
}

}  // namespace quillet
