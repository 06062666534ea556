// Login-item and log doubles that record what they were asked to do.
#pragma once

#include <QStringList>

#include "platform/Autostart.h"
#include "platform/SystemLog.h"

namespace quillet {

class FakeAutostart final : public Autostart {
public:
    std::optional<QString> registerItem() override {
        calls << QStringLiteral("register");
        return failure;
    }
    std::optional<QString> unregisterItem() override {
        calls << QStringLiteral("unregister");
        return failure;
    }

    QStringList calls;
    std::optional<QString> failure;  // returned by every call while set
};

class FakeSystemLog final : public SystemLog {
public:
    void write(const QString& line) override { lines << line; }
    QStringList lines;
};

}  // namespace quillet
