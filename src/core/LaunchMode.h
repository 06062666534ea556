// Which of the three launch modes the command line asks for.
#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

struct LaunchMode {
    enum class Kind { normal, screenshots, doctor };
    Kind kind = Kind::normal;
    /// The output folder of the screenshot mode, exactly as given.
    QString directory;

    /// `arguments` is the whole list, the program path first. "--screenshots" followed by any
    /// argument wins over "--doctor"; only exact, whole arguments match.
    static LaunchMode fromArguments(const QStringList& arguments);
};

}  // namespace quillet
