// Every way a language-model request can fail, each with its message in the interface language.
#include "core/OpenAIError.h"

#include "core/L10n.h"

namespace quillet {

QString OpenAIError::message() const {
    const L10n l10n = L10n::current();
    switch (m_kind) {
        case Kind::badResponse:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Unexpected API response")) + QStringLiteral(": ") +
                   m_detail;
        case Kind::missingKey:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "OpenAI API key is not set. Open Settings."));
        case Kind::invalidKey:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Invalid API key. Check it in Settings."));
        case Kind::quotaExceeded:
            return l10n.text(
                QT_TRANSLATE_NOOP("Quillet", "No credit left or rate limit reached on your OpenAI account."));
        case Kind::offline:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "No internet connection. Please try again."));
        case Kind::certificate:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "The server's certificate could not be verified."));
        case Kind::interrupted:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "The answer was cut off. Please try again."));
        case Kind::serverError:
            return l10n
                .text(QT_TRANSLATE_NOOP("Quillet", "The server had a problem (HTTP %1). Try again later."))
                .arg(m_status);
        case Kind::timedOut:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "The server did not answer in time. Try again."));
        case Kind::refused:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Nothing answers at %1. Is the server running?"))
                .arg(m_detail);
        case Kind::serverMessage:
            return m_detail;
        case Kind::tooLong:
            return l10n.text(
                QT_TRANSLATE_NOOP("Quillet", "The answer took too long and was stopped. Try again."));
        case Kind::runaway:
            return l10n.text(QT_TRANSLATE_NOOP(
                "Quillet", "The answer kept growing far past your text, so Quillet stopped it."));
        case Kind::keyringUnavailable:
            return l10n.text(
                QT_TRANSLATE_NOOP("Quillet", "The keyring is not answering. Try again in a moment."));
        case Kind::keyringLocked:
            return l10n.text(QT_TRANSLATE_NOOP("Quillet", "The keyring stayed locked."));
        case Kind::keyWithheld:
            return l10n.text(QT_TRANSLATE_NOOP(
                "Quillet", "The key is not sent over plain HTTP to this server. Allow it in Settings."));
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
