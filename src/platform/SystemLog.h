// The system log, for the few lines the program writes.
#pragma once

#include <QString>

namespace quillet {

class SystemLog {
public:
    SystemLog() = default;
    SystemLog(const SystemLog&) = delete;
    SystemLog& operator=(const SystemLog&) = delete;
    virtual ~SystemLog() = default;

    /// Writes one line; never fails visibly.
    virtual void write(const QString& line) = 0;
};

}  // namespace quillet
