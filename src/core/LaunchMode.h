// Which launch mode the command line asks for, and the help that lists them.
#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

struct LaunchMode {
    enum class Kind {
        normal,       ///< start the assistant, or open the running copy's settings
        screenshots,  ///< draw the views into `directory`
        doctor,       ///< print the self-check
        help,         ///< print the modes
        trigger,      ///< what the global shortcut does, in the running copy (started first if needed)
        settings,     ///< open the running copy's settings (started first if needed)
        quit,         ///< end the running copy
    };
    Kind kind = Kind::normal;
    /// The output folder of the screenshot mode, exactly as given.
    QString directory;

    /// `arguments` is the whole list, the program path first; only exact, whole arguments match.
    /// "--screenshots" followed by any argument wins over everything, then "--doctor", "--help",
    /// "--quit", "--settings" and "--trigger", in that order. Anything else is ignored.
    static LaunchMode fromArguments(const QStringList& arguments);
    /// The text `--help` prints.
    static QString usage();
};

}  // namespace quillet
