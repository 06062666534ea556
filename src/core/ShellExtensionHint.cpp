// What stands between Quillet and its GNOME Shell extension, and how the user turns it on: the
#include "core/ShellExtensionHint.h"

#include "core/SelfCheck.h"

namespace quillet::ShellExtensionHint {

namespace {

const QString userExtensionsCommand =
    QStringLiteral("gsettings set org.gnome.shell disable-user-extensions false");

struct Remedy {
    QString english;
    QString serbian;
    /// The command to run, shown on a line of its own; empty when there is none.
    QString command;
};

Remedy remedyFor(const ShellExtensionStatus& s) {
    switch (s.state) {
        case ShellExtensionState::active:
        case ShellExtensionState::noShell:
            return {};
        case ShellExtensionState::notInstalled:
            return {
                QStringLiteral("It is not installed. Install Quillet's package (or run “sudo cmake --install "
                               "build”), run this command, then log out and back in:"),
                QStringLiteral(
                    "Nije instaliran. Instalirajte Quillet-ov paket (ili pokrenite „sudo cmake "
                    "--install build“), pokrenite ovu naredbu, zatim se odjavite i ponovo prijavite:"),
                enableCommand()};
        case ShellExtensionState::notLoaded:
            return {
                QStringLiteral(
                    "It was installed after you logged in. Run this command, then log out and back "
                    "in:"),
                QStringLiteral("Instaliran je posle vašeg prijavljivanja. Pokrenite ovu naredbu, zatim se "
                               "odjavite i ponovo prijavite:"),
                enableCommand()};
        case ShellExtensionState::disabled:
            return {QStringLiteral("It is switched off. Turn it on with this command (no need to log out):"),
                    QStringLiteral("Isključen je. Uključite ga ovom naredbom (odjavljivanje nije potrebno):"),
                    enableCommand()};
        case ShellExtensionState::userExtensionsOff:
            return {QStringLiteral("GNOME has every extension switched off. Turn them on with this command:"),
                    QStringLiteral("GNOME ima isključene sve dodatke. Uključite ih ovom naredbom:"),
                    userExtensionsCommand};
        case ShellExtensionState::unsupported:
            return {
                QStringLiteral(
                    "It was not made for this GNOME Shell (version %1); Quillet works on without it.")
                    .arg(s.shellVersion),
                QStringLiteral("Nije napravljen za ovu verziju GNOME Shell-a (%1); Quillet radi i bez njega.")
                    .arg(s.shellVersion),
                {}};
        case ShellExtensionState::failed:
            return {
                QStringLiteral("GNOME Shell could not start it (%1). Log out and back in; if that does not "
                               "help, install Quillet again.")
                    .arg(s.detail),
                QStringLiteral("GNOME Shell nije uspeo da ga pokrene (%1). Odjavite se i ponovo prijavite; "
                               "ako to ne pomogne, ponovo instalirajte Quillet.")
                    .arg(s.detail),
                {}};
        case ShellExtensionState::refused:
            // Also this very program once an upgrade has replaced its file: the extension serves
            // the file now installed.
            return {
                QStringLiteral("It answers only the Quillet installed as %1, and this is another copy, or "
                               "one an upgrade has replaced since it started. Start that one (after an "
                               "upgrade: quit Quillet and start it again).")
                    .arg(s.detail),
                QStringLiteral("Odgovara samo Quillet-u instaliranom kao %1, a ovo je druga kopija, ili "
                               "ona koju je nadogradnja zamenila posle pokretanja. Pokrenite tu (posle "
                               "nadogradnje: zatvorite Quillet i ponovo ga pokrenite).")
                    .arg(s.detail),
                {}};
        case ShellExtensionState::unsafeInstall:
            return {QStringLiteral(
                        "It is installed where any program of yours could take Quillet's place (%1), so "
                        "it serves no program. Install Quillet for the whole system, from its Debian package "
                        "(“sudo apt install ./build/quillet_*.deb”) or with “sudo cmake --install "
                        "build”, remove any copy of the extension from your home folder, then log out "
                        "and back in.")
                        .arg(s.detail),
                    QStringLiteral(
                        "Instaliran je tamo gde bi bilo koji vaš program mogao da zauzme Quillet-ovo "
                        "mesto (%1), pa ne služi nikome. Instalirajte Quillet za ceo sistem, iz "
                        "njegovog Debian paketa („sudo apt install ./build/quillet_*.deb“) ili "
                        "naredbom „sudo cmake --install build“, uklonite svaku kopiju dodatka iz svoje "
                        "lične fascikle, zatim se odjavite i ponovo prijavite.")
                        .arg(s.detail),
                    {}};
        case ShellExtensionState::outdated:
            return {
                QStringLiteral("It belongs to another version of Quillet, loaded when you logged in. Log out "
                               "and back in."),
                QStringLiteral(
                    "Pripada drugoj verziji Quillet-a, učitanoj pri vašem prijavljivanju. Odjavite "
                    "se i ponovo prijavite."),
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
        l.text(
            QStringLiteral("Quillet's GNOME Shell extension is not working: without it there is no icon at "
                           "the field, no paste into other programs and no shortcut of Quillet's own."),
            QStringLiteral("Quillet-ov dodatak za GNOME Shell ne radi: bez njega nema ikonice u polju, "
                           "lepljenja u druge programe ni Quillet-ove sopstvene prečice.")),
        l.text(remedy.english, remedy.serbian)};
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
    QString detail = remedy.english;
    if (!remedy.command.isEmpty())
        detail += QLatin1Char(' ') + remedy.command;
    return SelfCheck::line(false, label, detail);
}

}  // namespace quillet::ShellExtensionHint
