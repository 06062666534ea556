// Launch at login as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/quillet.desktop.
#pragma once

#include "platform/Autostart.h"

namespace quillet {

class XdgAutostart final : public Autostart {
public:
    /// `program` is the absolute path the entry starts; `path` where the entry lives.
    XdgAutostart(QString program, QString path = defaultPath());

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
