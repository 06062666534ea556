// An in-memory preferences database; values keep their type, so tests can plant wrong ones.
#pragma once

#include <QMap>
#include <QVariant>

#include "platform/Defaults.h"

namespace quillet {

class FakeDefaults final : public Defaults {
public:
    std::optional<QString> string(const QString& key) const override;
    std::optional<qint64> integer(const QString& key) const override;
    std::optional<bool> boolean(const QString& key) const override;
    std::optional<QStringList> stringList(const QString& key) const override;

    QString location() const override { return path; }

    bool setString(const QString& key, const QString& value) override;
    bool setInteger(const QString& key, qint64 value) override;
    bool setBoolean(const QString& key, bool value) override;
    bool setStringList(const QString& key, const QStringList& value) override;

    QMap<QString, QVariant> values;
    /// Writes tried, stored or not.
    int writes = 0;
    /// While set, every write fails and changes nothing, as on a full disk.
    bool failWrites = false;
    QString path = QStringLiteral("/home/user/.config/quillet/quillet.conf");
    /// Where a key this store has no value for is read from, when set; it is never written, so
    /// every change stays in `values`.
    const Defaults* fallback = nullptr;

private:
    bool write(const QString& key, const QVariant& value);
};

}  // namespace quillet
