// Whether a desktop entry gets a program KWin's fake input: KWin offers it to a program whose
#include "platform/linux/kwin/KWinFakeInputEntry.h"

#include <QStringList>

namespace quillet::KWinFakeInputEntry {

namespace {

// The command of an Exec line: its first word, quoted as the format allows or bare.
QString commandOf(const QString& exec) {
    const QString line = exec.trimmed();
    if (!line.startsWith(QLatin1Char('"')))
        return line.section(QLatin1Char(' '), 0, 0);
    QString command;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
            command += line[++i];
        } else if (line[i] == QLatin1Char('"')) {
            return command;
        } else {
            command += line[i];
        }
    }
    return {};
}

}  // namespace

bool asksForKeys(const QString& entryText, const QString& program) {
    bool inMain = false;
    bool namesProgram = false;
    bool asks = false;
    for (const QString& raw : entryText.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMain)
            continue;
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char('='), 1);
        if (key == QLatin1String("Exec"))
            namesProgram = !program.isEmpty() && commandOf(value) == program;
        else if (key == QLatin1String("X-KDE-Wayland-Interfaces"))
            asks = value.split(QLatin1Char(','), Qt::SkipEmptyParts).contains(interfaceName);
    }
    return namesProgram && asks;
}

}  // namespace quillet::KWinFakeInputEntry
