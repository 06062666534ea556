// Starting the program when the user logs in.
#pragma once

#include <QString>
#include <optional>

namespace quillet {

class Autostart {
public:
    Autostart() = default;
    Autostart(const Autostart&) = delete;
    Autostart& operator=(const Autostart&) = delete;
    virtual ~Autostart() = default;

    /// Makes the program start at login. Empty on success, else a description of the failure.
    virtual std::optional<QString> registerItem() = 0;
    /// Stops the program from starting at login. Empty on success, else a description of the failure.
    virtual std::optional<QString> unregisterItem() = 0;
};

}  // namespace quillet
