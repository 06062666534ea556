// The system log through syslog, echoed to standard error.
#include "platform/linux/system/SyslogSystemLog.h"

#include <syslog.h>

#include <cstdio>

namespace quillet {

void SyslogSystemLog::write(const QString& line) {
    const QByteArray utf8 = line.toUtf8();
    syslog(LOG_USER | LOG_WARNING, "%s", utf8.constData());
    std::fprintf(stderr, "%s\n", utf8.constData());
}

}  // namespace quillet
