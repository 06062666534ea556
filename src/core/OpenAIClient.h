// The one component that talks to the language model: chat requests with retries, and the key check.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <variant>

#include "core/Models.h"
#include "core/OpenAIError.h"
#include "platform/HttpTransport.h"

namespace quillet {

class LanguageRecognizer;
class Scheduler;

/// Either the decoded result or the reason there is none.
template <typename T>
using Outcome = std::variant<T, OpenAIError>;

class OpenAIClient {
public:
    static constexpr int maxCharacters = 5000;
    static constexpr int maxAttempts = 3;
    static constexpr std::chrono::milliseconds chatTimeout{30000};
    static constexpr std::chrono::milliseconds keyCheckTimeout{60000};
    /// Larger replies are refused: no chat answer to one field's text comes near this.
    static constexpr qint64 maxReplyBytes = 4 * 1024 * 1024;

    /// The services must outlive every request started through this client (they are the process's).
    OpenAIClient(QString apiKey, QString model, HttpTransport& transport, Scheduler& scheduler,
                 LanguageRecognizer& recognizer);

    const QString& apiKey() const { return m_apiKey; }
    const QString& model() const { return m_model; }

    /// Asks the model, retrying quota and network failures twice (after 2 s, then 4 s), and calls `done`
    /// once on the main thread, never synchronously. T is CorrectionResult or RephraseResult.
    template <typename T>
    void request(const QString& system, const QString& user, double temperature,
                 std::function<void(Outcome<T>)> done) const;

    /// Calls `done` once on the main thread with whether the server accepts the key (status 200).
    void validateKey(std::function<void(bool)> done) const;

    /// `path` on the configured server ("/v1/chat/completions", "/v1/models").
    static QUrl endpoint(const QString& path);
    /// The first `limit` user-perceived characters of `text`; a cluster is never split.
    static QString cutText(const QString& text, int limit = maxCharacters);
    /// The chat request's JSON body for the already cut and hinted user content.
    QJsonObject requestBody(const QString& system, const QString& userContent, double temperature) const;
    /// What one HTTP exchange of a chat request comes to.
    template <typename T>
    static Outcome<T> decodeReply(const HttpReply& reply);

private:
    bool keyFitsHeader() const;

    QString m_apiKey;
    QString m_model;
    HttpTransport* m_transport;
    Scheduler* m_scheduler;
    LanguageRecognizer* m_recognizer;
};

}  // namespace quillet
