// Launch at login as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/quillet.desktop.
#pragma once

#include "platform/LoginItem.h"

namespace quillet {

class AutostartLoginItem final : public LoginItem {
public:
    /// `program` is the absolute path the entry starts; `path` where the entry lives.
    AutostartLoginItem(QString program, QString path = defaultPath());

    static QString defaultPath();
    /// The desktop entry written on registration.
    QString entry() const;

    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

private:
    QString m_program;
    QString m_path;
};

}  // namespace quillet
