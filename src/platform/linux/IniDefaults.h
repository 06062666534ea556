// The preferences database as an INI file, $XDG_CONFIG_HOME/quillet/quillet.conf.
#pragma once

#include <QSettings>
#include <memory>

#include "platform/Defaults.h"

namespace quillet {

class SystemLog;

class IniDefaults final : public Defaults {
public:
    /// The file under the user's configuration folder.
    explicit IniDefaults(SystemLog* log = nullptr);
    /// A file at `path`. Something there that is not a regular file (a FIFO, a device, a folder) is
    /// never opened, since reading it could block for ever: the preferences are then the defaults,
    /// changes are not kept, and `log` (when given) gets one line about it.
    explicit IniDefaults(const QString& path, SystemLog* log = nullptr);
    ~IniDefaults() override;

    static QString defaultPath();
    QString path() const { return m_path; }
    /// Whether the file was refused.
    bool refused() const { return !m_settings; }

    std::optional<QString> string(const QString& key) const override;
    std::optional<qint64> integer(const QString& key) const override;
    std::optional<bool> boolean(const QString& key) const override;
    std::optional<QStringList> stringList(const QString& key) const override;
    std::optional<QString> text(const QString& key) const override;

    void setString(const QString& key, const QString& value) override;
    void setInteger(const QString& key, qint64 value) override;
    void setBoolean(const QString& key, bool value) override;
    void setStringList(const QString& key, const QStringList& value) override;

private:
    void store();

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace quillet
