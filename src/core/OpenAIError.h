// Every way a language-model request can fail, each with its message in the interface language.
#pragma once

#include <QString>

namespace quillet {

class OpenAIError {
public:
    enum class Kind {
        badResponse,
        missingKey,
        invalidKey,
        quotaExceeded,
        offline,
        certificate,         // the server's TLS certificate did not verify; nothing was sent
        serverError,         // HTTP 500 to 599, still so after the retries
        interrupted,         // a streamed answer stopped before its end
        timedOut,            // connected, and the server said nothing in time
        refused,             // nothing listens at the server's address (detail: "host:port")
        serverMessage,       // the server ended the answer with a reason of its own (detail: that reason)
        tooLong,             // the answer went on past the limit for a whole answer
        runaway,             // the answer kept growing far past the text sent, as a model in a loop
        keyringUnavailable,  // the keyring did not answer, so no key could go with the request
        keyringLocked,       // the keyring holds the key and stayed locked
        keyWithheld,         // the server has a key, which plain HTTP does not carry until allowed
    };

    // Fixed technical details of badResponse, the same in both languages.
    static inline const QString notHttpDetail = QStringLiteral("nije HTTP odgovor");
    static inline const QString emptyContentDetail = QStringLiteral("prazan sadržaj");
    static inline const QString jsonDetail = QStringLiteral("JSON parsiranje nije uspelo");
    static inline const QString tooLargeDetail = QStringLiteral("odgovor je prevelik");
    static inline const QString streamDetail = QStringLiteral("neispravan tok odgovora");
    static QString httpStatusDetail(int status) { return QStringLiteral("HTTP ") + QString::number(status); }

    static OpenAIError badResponse(QString detail) {
        return OpenAIError(Kind::badResponse, std::move(detail));
    }
    static OpenAIError missingKey() { return OpenAIError(Kind::missingKey); }
    static OpenAIError invalidKey() { return OpenAIError(Kind::invalidKey); }
    static OpenAIError quotaExceeded() { return OpenAIError(Kind::quotaExceeded); }
    static OpenAIError offline() { return OpenAIError(Kind::offline); }
    static OpenAIError certificate() { return OpenAIError(Kind::certificate); }
    static OpenAIError interrupted() { return OpenAIError(Kind::interrupted); }
    static OpenAIError serverError(int status) { return OpenAIError(Kind::serverError, {}, status); }
    static OpenAIError timedOut() { return OpenAIError(Kind::timedOut); }
    /// `address` as the user would type it: "127.0.0.1:11434".
    static OpenAIError refused(QString address) { return OpenAIError(Kind::refused, std::move(address)); }
    /// The server's own words, on one line and cut to a length a panel can show.
    static OpenAIError serverMessage(const QString& text);
    static OpenAIError tooLong() { return OpenAIError(Kind::tooLong); }
    static OpenAIError runaway() { return OpenAIError(Kind::runaway); }
    static OpenAIError keyringUnavailable() { return OpenAIError(Kind::keyringUnavailable); }
    static OpenAIError keyringLocked() { return OpenAIError(Kind::keyringLocked); }
    static OpenAIError keyWithheld() { return OpenAIError(Kind::keyWithheld); }
    /// The longest server message shown, in characters.
    static constexpr int maxServerMessage = 300;

    Kind kind() const { return m_kind; }
    /// The detail text of badResponse, the address of refused, the words of serverMessage; empty for
    /// the other kinds.
    const QString& detail() const { return m_detail; }
    /// The HTTP status of serverError; 0 for the other kinds.
    int status() const { return m_status; }
    /// Worth another attempt: the quota may recover, the network may come back, the server may mend.
    bool isRetryable() const {
        return m_kind == Kind::quotaExceeded || m_kind == Kind::offline || m_kind == Kind::serverError ||
               m_kind == Kind::timedOut || m_kind == Kind::refused;
    }
    /// The user-facing text, in the language the settings hold at the moment of the call.
    QString message() const;

    bool operator==(const OpenAIError&) const = default;

private:
    explicit OpenAIError(Kind kind, QString detail = {}, int status = 0)
        : m_kind(kind), m_detail(std::move(detail)), m_status(status) {}

    Kind m_kind;
    QString m_detail;
    int m_status = 0;
};

}  // namespace quillet
