// How to bind a key to `quillet --trigger` in GNOME's own keyboard settings: GNOME lets no program
#include "core/CustomShortcutSteps.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quillet {

namespace {

// GNOME splits the command as a POSIX shell would (g_shell_parse_argv).
QString shellQuoted(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace

QString CustomShortcutSteps::triggerCommand(const QString& programPath, const QStringList& searchPath) {
    const QFileInfo program(programPath);
    const QString self = program.canonicalFilePath();
    QString word = program.absoluteFilePath();
    // The first folder of the search path holding that name is the one the desktop will run.
    for (const QString& dir : searchPath) {
        if (dir.isEmpty())
            continue;
        const QFileInfo candidate(dir + QLatin1Char('/') + program.fileName());
        if (!candidate.isFile() || !candidate.isExecutable())
            continue;
        if (!self.isEmpty() && candidate.canonicalFilePath() == self)
            word = program.fileName();
        break;
    }
    return shellQuoted(word) + QStringLiteral(" --trigger");
}

QStringList CustomShortcutSteps::gnomeSteps(const L10n& l10n, const QString& command,
                                            const QString& combination) {
    // The page and button names are GNOME Settings' own (version 43), in its Serbian Latin wording.
    return {
        l10n.text(
            QT_TRANSLATE_NOOP("Quillet",
                              "GNOME lets no program hold a shortcut of its own. Add one for Quillet in "
                              "GNOME's settings:")),
        l10n.text(QT_TRANSLATE_NOOP("Quillet", "1. Open Settings and choose “Keyboard”.")),
        l10n.text(QT_TRANSLATE_NOOP("Quillet",
                                    "2. Under “Keyboard Shortcuts”, click “View and Customize Shortcuts”.")),
        l10n.text(QT_TRANSLATE_NOOP("Quillet", "3. Choose “Custom Shortcuts”, then “Add Shortcut”.")),
        l10n.text(QT_TRANSLATE_NOOP("Quillet", "4. Name: Quillet. Command: %1")).arg(command),
        l10n.text(QT_TRANSLATE_NOOP("Quillet", "5. Click “Set Shortcut…”, press %1, then click “Add”."))
            .arg(combination),
    };
}

}  // namespace quillet
