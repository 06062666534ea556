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

    void setString(const QString& key, const QString& value) override;
    void setInteger(const QString& key, qint64 value) override;
    void setBoolean(const QString& key, bool value) override;
    void setStringList(const QString& key, const QStringList& value) override;

    QMap<QString, QVariant> values;
    int writes = 0;
    /// Where a key this store has no value for is read from, when set; it is never written, so
    /// every change stays in `values`.
    const Defaults* fallback = nullptr;
};

}  // namespace quillet
