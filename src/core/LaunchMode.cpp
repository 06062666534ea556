// Which launch mode the command line asks for, and the help that lists them.
#include "core/LaunchMode.h"

namespace quillet {

LaunchMode LaunchMode::fromArguments(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at >= 0 && at + 1 < arguments.size())
        return LaunchMode{Kind::screenshots, arguments.at(at + 1)};
    if (arguments.contains(QStringLiteral("--doctor")))
        return LaunchMode{Kind::doctor, {}};
    // The program path is not an option, whatever it is called.
    const QStringList options = arguments.mid(1);
    if (options.contains(QStringLiteral("--help")) || options.contains(QStringLiteral("-h")))
        return LaunchMode{Kind::help, {}};
    if (options.contains(QStringLiteral("--quit")))
        return LaunchMode{Kind::quit, {}};
    if (options.contains(QStringLiteral("--settings")))
        return LaunchMode{Kind::settings, {}};
    if (options.contains(QStringLiteral("--trigger")))
        return LaunchMode{Kind::trigger, {}};
    return LaunchMode{};
}

QString LaunchMode::usage() {
    return QStringLiteral(
        "Usage: quillet [OPTION]\n"
        "Proofreading and rephrasing in any text field.\n"
        "\n"
        "Without an option, starts Quillet; when it is already running, opens its settings.\n"
        "Only one copy runs at a time: the options below reach the running copy.\n"
        "\n"
        "  --trigger          correct the text of the focused field (or the selection), as the\n"
        "                     global shortcut does; starts Quillet first when it is not running.\n"
        "                     Bind it to a key in your desktop's keyboard settings.\n"
        "  --settings         open the settings window; starts Quillet first when it is not running\n"
        "  --quit             end the running copy\n"
        "  --doctor           print what Quillet sees: the accessibility permission, the screens\n"
        "                     and the focused text field\n"
        "  --screenshots DIR  draw the main windows with demonstration data into DIR as PNG files\n"
        "  --help             show this help\n");
}

}  // namespace quillet
