// Starting the program when the user logs in.
#pragma once

#include <QString>
#include <optional>

namespace quillet {

class LoginItem {
public:
    LoginItem() = default;
    LoginItem(const LoginItem&) = delete;
    LoginItem& operator=(const LoginItem&) = delete;
    virtual ~LoginItem() = default;

    /// Makes the program start at login. Empty on success, else a description of the failure.
    virtual std::optional<QString> registerItem() = 0;
    /// Stops the program from starting at login. Empty on success, else a description of the failure.
    virtual std::optional<QString> unregisterItem() = 0;
};

}  // namespace quillet
