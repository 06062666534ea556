// What the kernel's process table says of a process, read from /proc.
#include "platform/linux/shared/ProcStat.h"

#include <QFile>
#include <QList>

namespace quillet {

std::optional<qint32> ProcStat::parentIn(QByteArrayView stat) {
    // "PID (COMMAND) STATE PPID ...": the command is whatever lies between the first "(" and the
    // last ")", so a name such as "a) b (c" cannot shift the fields after it.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || stat.indexOf('(') < 0 || stat.indexOf('(') > close)
        return std::nullopt;
    const QList<QByteArray> fields = stat.sliced(close + 1).toByteArray().simplified().split(' ');
    if (fields.size() < 2)
        return std::nullopt;
    bool ok = false;
    const qint32 parent = fields.at(1).toInt(&ok);
    if (!ok || parent < 0)
        return std::nullopt;
    return parent;
}

std::optional<qint32> ProcStat::parentOf(qint32 pid, const QString& procRoot) {
    if (pid <= 0)
        return std::nullopt;
    QFile file(procRoot + QLatin1Char('/') + QString::number(pid) + QLatin1String("/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The file is one short line, but the command name may be up to 64 bytes of anything.
    return parentIn(file.read(4096));
}

}  // namespace quillet
