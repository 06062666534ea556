// What stands between Quillet and its GNOME Shell extension, and how the user turns it on: the
#include "core/ShellExtensionHint.h"

#include "core/SelfCheck.h"

namespace quillet::ShellExtensionHint {

namespace {

const QString userExtensionsCommand =
    QStringLiteral("gsettings set org.gnome.shell disable-user-extensions false");

struct Remedy {
    /// The English text, the key of its translations; it may hold one "%1".
    const char* text = nullptr;
    /// What stands for "%1".
    QString argument;
    /// The command to run, shown on a line of its own; empty when there is none.
    QString command;

    QString in(const L10n& l) const { return text ? l.textWith(text, argument) : QString(); }
};

Remedy remedyFor(const ShellExtensionStatus& s) {
    switch (s.state) {
        case ShellExtensionState::active:
        case ShellExtensionState::noShell:
            return {};
        case ShellExtensionState::notInstalled:
            return {QT_TRANSLATE_NOOP(
                        "Quillet",
                        "It is not installed. Install Quillet's package (or run “sudo cmake --install "
                        "build”), run this command, then log out and back in:"),
                    {},
                    enableCommand()};
        case ShellExtensionState::notLoaded:
            return {QT_TRANSLATE_NOOP(
                        "Quillet",
                        "It was installed after you logged in. Run this command, then log out and back "
                        "in:"),
                    {},
                    enableCommand()};
        case ShellExtensionState::disabled:
            return {QT_TRANSLATE_NOOP(
                        "Quillet", "It is switched off. Turn it on with this command (no need to log out):"),
                    {},
                    enableCommand()};
        case ShellExtensionState::userExtensionsOff:
            return {QT_TRANSLATE_NOOP(
                        "Quillet", "GNOME has every extension switched off. Turn them on with this command:"),
                    {},
                    userExtensionsCommand};
        case ShellExtensionState::unsupported:
            return {QT_TRANSLATE_NOOP(
                        "Quillet",
                        "It was not made for this GNOME Shell (version %1); Quillet works on without it."),
                    s.shellVersion,
                    {}};
        case ShellExtensionState::failed:
            return {QT_TRANSLATE_NOOP(
                        "Quillet",
                        "GNOME Shell could not start it (%1). Log out and back in; if that does not "
                        "help, install Quillet again."),
                    s.detail,
                    {}};
        case ShellExtensionState::refused:
            // Also this very program once an upgrade has replaced its file: the extension serves
            // the file now installed.
            return {
                QT_TRANSLATE_NOOP("Quillet",
                                  "It answers only the Quillet installed as %1, and this is another copy, or "
                                  "one an upgrade has replaced since it started. Start that one (after an "
                                  "upgrade: quit Quillet and start it again)."),
                s.detail,
                {}};
        case ShellExtensionState::unsafeInstall:
            return {QT_TRANSLATE_NOOP(
                        "Quillet",
                        "It is installed where any program of yours could take Quillet's place (%1), so "
                        "it serves no program. Install Quillet for the whole system, from its Debian package "
                        "(“sudo apt install ./build/quillet_*.deb”) or with “sudo cmake --install "
                        "build”, remove any copy of the extension from your home folder, then log out "
                        "and back in."),
                    s.detail,
                    {}};
        case ShellExtensionState::outdated:
            return {QT_TRANSLATE_NOOP(
                        "Quillet",
                        "It belongs to another version of Quillet, loaded when you logged in. Log out "
                        "and back in."),
                    {},
                    {}};
    }
    return {};
}

}  // namespace

QString enableCommand() {
    return QStringLiteral("gnome-extensions enable ") + uuid;
}

QStringList steps(const ShellExtensionStatus& status, const L10n& l) {
    if (status.state == ShellExtensionState::active || status.state == ShellExtensionState::noShell)
        return {};
    const Remedy remedy = remedyFor(status);
    QStringList paragraphs{
        l.text(QT_TRANSLATE_NOOP(
            "Quillet",
            "Quillet's GNOME Shell extension is not working: without it there is no icon at "
            "the field, no paste into other programs and no shortcut of Quillet's own.")),
        remedy.in(l)};
    if (!remedy.command.isEmpty())
        paragraphs << remedy.command;
    return paragraphs;
}

QString doctorLine(const ShellExtensionStatus& status) {
    const QString label = QStringLiteral("GNOME Shell extension");
    if (status.state == ShellExtensionState::active)
        return SelfCheck::line(true, label, QStringLiteral("active"));
    if (status.state == ShellExtensionState::noShell)
        return SelfCheck::line(std::nullopt, label, QStringLiteral("GNOME Shell is not running"));
    const Remedy remedy = remedyFor(status);
    QString detail = remedy.in(L10n{AppLanguage::en});
    if (!remedy.command.isEmpty())
        detail += QLatin1Char(' ') + remedy.command;
    return SelfCheck::line(false, label, detail);
}

}  // namespace quillet::ShellExtensionHint
