// What KWin keeps from Quillet on KDE Plasma under Wayland, and how the user gets it: the texts the
#include "core/KWinKeysHint.h"

#include "core/SelfCheck.h"

namespace quillet::KWinKeysHint {

namespace {

struct Remedy {
    /// The English text, the key of its translations; it may hold one "%1".
    const char* text = nullptr;
    /// What stands for "%1".
    QString argument;

    QString in(const L10n& l) const { return text ? l.textWith(text, argument) : QString(); }
};

Remedy keysRemedy(const Status& s) {
    if (s.entryInstalled)
        return {QT_TRANSLATE_NOOP(
                    "Quillet",
                    "Quillet's menu entry asks for them, but KWin has not read it yet. Log out and back "
                    "in, then start Quillet from the menu."),
                {}};
    return {
        QT_TRANSLATE_NOOP("Quillet",
                          "KWin gives them only to a program whose installed menu entry asks for them, and "
                          "this copy (%1) has none. Install Quillet (its package, or “sudo cmake --install "
                          "build”) and start the installed program."),
        s.program};
}

}  // namespace

QStringList steps(const Status& status, const L10n& l) {
    QStringList paragraphs;
    if (!status.scriptRunning)
        paragraphs << l.text(
            QT_TRANSLATE_NOOP("Quillet",
                              "KWin did not run Quillet's script, so there is no icon at the field: "
                              "use the shortcut. Restarting Quillet loads the script again."));
    if (!status.keysOffered) {
        const Remedy remedy = keysRemedy(status);
        paragraphs << l.text(
                          QT_TRANSLATE_NOOP("Quillet",
                                            "KWin does not let Quillet press keys, so a correction that a "
                                            "program does not take directly is left on the clipboard for you "
                                            "to paste with Ctrl+V."))
                   << remedy.in(l);
    }
    return paragraphs;
}

QString doctorLine(const Status& status) {
    const QString label = QStringLiteral("KWin's keys for the paste");
    if (status.keysOffered)
        return SelfCheck::line(true, label, QStringLiteral("offered"));
    return SelfCheck::line(false, label,
                           QStringLiteral("not offered. ") + keysRemedy(status).in(L10n{AppLanguage::en}));
}

}  // namespace quillet::KWinKeysHint
