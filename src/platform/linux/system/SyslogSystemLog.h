// The system log through syslog, echoed to standard error.
#pragma once

#include "platform/SystemLog.h"

namespace quillet {

class SyslogSystemLog final : public SystemLog {
public:
    void write(const QString& line) override;
};

}  // namespace quillet
