// What KWin keeps from Quillet on KDE Plasma under Wayland, and how the user gets it: the texts the
#include "core/KWinKeysHint.h"

#include "core/SelfCheck.h"

namespace quillet::KWinKeysHint {

namespace {

struct Remedy {
    QString english;
    QString serbian;
};

Remedy keysRemedy(const Status& s) {
    if (s.entryInstalled)
        return {
            QStringLiteral(
                "Quillet's menu entry asks for them, but KWin has not read it yet. Log out and back "
                "in, then start Quillet from the menu."),
            QStringLiteral("Quillet-ova stavka menija ih traži, ali ih KWin još nije pročitao. Odjavite se i "
                           "ponovo prijavite, zatim pokrenite Quillet iz menija.")};
    return {QStringLiteral("KWin gives them only to a program whose installed menu entry asks for them, and "
                           "this copy (%1) has none. Install Quillet (its package, or “sudo cmake --install "
                           "build”) and start the installed program.")
                .arg(s.program),
            QStringLiteral("KWin ih daje samo programu čija instalirana stavka menija to traži, a ova kopija "
                           "(%1) je nema. Instalirajte Quillet (njegov paket, ili „sudo cmake --install "
                           "build“) i pokrenite instalirani program.")
                .arg(s.program)};
}

}  // namespace

QStringList steps(const Status& status, const L10n& l) {
    QStringList paragraphs;
    if (!status.scriptRunning)
        paragraphs << l.text(
            QStringLiteral("KWin did not run Quillet's script, so there is no icon at the field: "
                           "use the shortcut. Restarting Quillet loads the script again."),
            QStringLiteral("KWin nije pokrenuo Quillet-ovu skriptu, pa ikonice u polju nema: "
                           "koristite prečicu. Ponovnim pokretanjem Quillet-a skripta se "
                           "ponovo učitava."));
    if (!status.keysOffered) {
        const Remedy remedy = keysRemedy(status);
        paragraphs << l.text(
                          QStringLiteral("KWin does not let Quillet press keys, so a correction that a "
                                         "program does not take directly is left on the clipboard for you "
                                         "to paste with Ctrl+V."),
                          QStringLiteral("KWin ne dozvoljava Quillet-u da pritiska tastere, pa ispravka koju "
                                         "program ne primi direktno ostaje u ostavi, da je nalepite sa "
                                         "Ctrl+V."))
                   << l.text(remedy.english, remedy.serbian);
    }
    return paragraphs;
}

QString doctorLine(const Status& status) {
    const QString label = QStringLiteral("KWin's keys for the paste");
    if (status.keysOffered)
        return SelfCheck::line(true, label, QStringLiteral("offered"));
    return SelfCheck::line(false, label, QStringLiteral("not offered. ") + keysRemedy(status).english);
}

}  // namespace quillet::KWinKeysHint
