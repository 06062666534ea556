// The preferences database as an INI file, $XDG_CONFIG_HOME/quillet/quillet.conf.
#include "platform/linux/IniDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

void IniDefaults::setString(const QString& key, const QString& value) {
    if (!m_settings)
        return;
    m_settings->remove(key);
    m_settings->setValue(key, value);
    store();
}

void IniDefaults::setInteger(const QString& key, qint64 value) {
    if (!m_settings)
        return;
    m_settings->remove(key);
    m_settings->setValue(key, value);
    store();
}

void IniDefaults::setBoolean(const QString& key, bool value) {
    if (!m_settings)
        return;
    m_settings->remove(key);
    m_settings->setValue(key, value);
    store();
}

void IniDefaults::setStringList(const QString& key, const QStringList& value) {
    if (!m_settings)
        return;
    m_settings->remove(key);
    m_settings->beginWriteArray(key, static_cast<int>(value.size()));
    for (int i = 0; i < value.size(); ++i) {
        m_settings->setArrayIndex(i);
        m_settings->setValue(QStringLiteral("value"), value.at(i));
    }
    m_settings->endArray();
    store();
}

void IniDefaults::store() {
    // Writing reads the file again first; one swapped for a FIFO since the start is left alone.
    if (safeToOpen(m_path))
        m_settings->sync();
}

}  // namespace quillet
