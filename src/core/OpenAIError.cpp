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
    }
    return {};
}

}  // namespace quillet
