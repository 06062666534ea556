// The preferences database as an INI file, $XDG_CONFIG_HOME/quillet/quillet.conf.
#pragma once

#include <QSettings>
#include <memory>
#include <variant>

#include "platform/Defaults.h"
#include "platform/linux/system/IniFile.h"

namespace quillet {

class SystemLog;

class IniDefaults final : public Defaults {
public:
    /// The file under the user's configuration folder.
    explicit IniDefaults(SystemLog* log = nullptr);
    /// A file at `path`. Something there that is not a regular file (a FIFO, a device, a folder) is
    /// never opened, since reading it could block for ever: the preferences are then the defaults,
    /// changes are not kept, and `log` (when given) gets one line about it.
    /// A change rewrites the file with only the lines of its key replaced, by way of a new file put
    /// in its place whole, readable by the user alone (0600).
    explicit IniDefaults(const QString& path, SystemLog* log = nullptr);
    ~IniDefaults() override;

    static QString defaultPath();
    QString path() const { return m_path; }
    /// Whether the file was refused.
    bool refused() const { return !m_settings; }
    /// Takes away what others may do with a file left open to them (by an older version, or a copy
    /// from elsewhere); the program that uses the preferences does it at its start, the modes that
    /// only show them leave the file as it is.
    void closeToOthers();

    std::optional<QString> string(const QString& key) const override;
    std::optional<qint64> integer(const QString& key) const override;
    std::optional<bool> boolean(const QString& key) const override;
    std::optional<QStringList> stringList(const QString& key) const override;
    std::optional<QString> text(const QString& key) const override;

    QString location() const override { return m_path; }

    bool setString(const QString& key, const QString& value) override;
    bool setInteger(const QString& key, qint64 value) override;
    bool setBoolean(const QString& key, bool value) override;
    bool setStringList(const QString& key, const QStringList& value) override;

private:
    bool store(const QString& key, const std::variant<IniFile::Plain, IniFile::Array>& value);

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace quillet
