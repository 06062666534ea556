// Every way a language-model request can fail, each with its message in the interface language.
#include "core/OpenAIError.h"

#include "core/L10n.h"

namespace quillet {

QString OpenAIError::message() const {
    const L10n l10n = L10n::current();
    switch (m_kind) {
        case Kind::badResponse:
            return l10n.text(QStringLiteral("Unexpected API response"),
                             QStringLiteral("Neočekivan odgovor API-ja")) +
                   QStringLiteral(": ") + m_detail;
        case Kind::missingKey:
            return l10n.text(QStringLiteral("OpenAI API key is not set. Open Settings."),
                             QStringLiteral("OpenAI API ključ nije podešen. Otvori Podešavanja."));
        case Kind::invalidKey:
            return l10n.text(QStringLiteral("Invalid API key. Check it in Settings."),
                             QStringLiteral("Nevažeći API ključ. Proveri ga u Podešavanjima."));
        case Kind::quotaExceeded:
            return l10n.text(QStringLiteral("No credit left or rate limit reached on your OpenAI account."),
                             QStringLiteral("Nema kredita ili je dostignut limit na OpenAI nalogu."));
        case Kind::offline:
            return l10n.text(QStringLiteral("No internet connection. Please try again."),
                             QStringLiteral("Nema internet konekcije. Pokušaj ponovo."));
        case Kind::certificate:
            return l10n.text(QStringLiteral("The server's certificate could not be verified."),
                             QStringLiteral("Sertifikat servera nije mogao da se proveri."));
        case Kind::interrupted:
            return l10n.text(QStringLiteral("The answer was cut off. Please try again."),
                             QStringLiteral("Odgovor je prekinut. Pokušaj ponovo."));
        case Kind::serverError:
            return l10n
                .text(QStringLiteral("The server had a problem (HTTP %1). Try again later."),
                      QStringLiteral("Server je imao problem (HTTP %1). Pokušaj kasnije."))
                .arg(m_status);
        case Kind::timedOut:
            return l10n.text(QStringLiteral("The server did not answer in time. Try again."),
                             QStringLiteral("Server nije odgovorio na vreme. Pokušaj ponovo."));
        case Kind::refused:
            return l10n
                .text(QStringLiteral("Nothing answers at %1. Is the server running?"),
                      QStringLiteral("Na adresi %1 se niko ne javlja. Da li je server pokrenut?"))
                .arg(m_detail);
        case Kind::serverMessage:
            return m_detail;
        case Kind::tooLong:
            return l10n.text(QStringLiteral("The answer took too long and was stopped. Try again."),
                             QStringLiteral("Odgovor je trajao predugo i prekinut je. Pokušaj ponovo."));
        case Kind::runaway:
            return l10n.text(
                QStringLiteral("The answer kept growing far past your text, so Quillet stopped it."),
                QStringLiteral("Odgovor je rastao daleko preko vašeg teksta, pa ga je Quillet prekinuo."));
        case Kind::keyringUnavailable:
            return l10n.text(QStringLiteral("The keyring is not answering. Try again in a moment."),
                             QStringLiteral("Keyring ne odgovara. Pokušaj ponovo za trenutak."));
        case Kind::keyringLocked:
            return l10n.text(QStringLiteral("The keyring stayed locked."),
                             QStringLiteral("Keyring je ostao zaključan."));
        case Kind::keyWithheld:
            return l10n.text(
                QStringLiteral("The key is not sent over plain HTTP to this server. Allow it in Settings."),
                QStringLiteral("Ključ se ne šalje ovom serveru preko nešifrovanog HTTP-a. Dozvoli to u "
                               "Podešavanjima."));
    }
    return {};
}

OpenAIError OpenAIError::serverMessage(const QString& text) {
    // A server's reason may run over lines, or on and on; the panel shows one line of it.
    QString line = text.simplified();
    if (line.size() > maxServerMessage) {
        qsizetype cut = maxServerMessage - 1;
        if (line[cut - 1].isHighSurrogate())
            --cut;
        line = line.left(cut) + QChar(0x2026);
    }
    return OpenAIError(Kind::serverMessage, line);
}

}  // namespace quillet
