// What the kernel's process table says of a process, read from /proc.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace quillet::ProcStat {

/// The parent process named in the text of a /proc/PID/stat file; empty when the text is not one.
/// The command name in it is in parentheses and may itself hold spaces and parentheses.
std::optional<qint32> parentIn(QByteArrayView stat);

/// The parent of process `pid`, read from `procRoot` (the /proc file system, another folder in
/// tests); empty when the process is gone.
std::optional<qint32> parentOf(qint32 pid, const QString& procRoot = QStringLiteral("/proc"));

}  // namespace quillet::ProcStat
