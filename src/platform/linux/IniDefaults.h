// The preferences database as an INI file, $XDG_CONFIG_HOME/quillet/quillet.conf.
#pragma once

#include <QSettings>

#include "platform/Defaults.h"

namespace quillet {

class IniDefaults final : public Defaults {
public:
    /// The file under the user's configuration folder.
    IniDefaults();
    /// A file at `path`, for tests.
    explicit IniDefaults(const QString& path);

    static QString defaultPath();
    QString path() const { return m_settings.fileName(); }

    std::optional<QString> string(const QString& key) const override;
    std::optional<qint64> integer(const QString& key) const override;
    std::optional<bool> boolean(const QString& key) const override;
    std::optional<QStringList> stringList(const QString& key) const override;

    void setString(const QString& key, const QString& value) override;
    void setInteger(const QString& key, qint64 value) override;
    void setBoolean(const QString& key, bool value) override;
    void setStringList(const QString& key, const QStringList& value) override;

private:
    void store();

    mutable QSettings m_settings;
};

}  // namespace quillet
