// The one component that talks to the language model: chat requests with retries, and the key check.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <variant>

#include "core/Models.h"
#include "core/OpenAIError.h"
#include "core/PartialAnswer.h"
#include "core/ServerKeys.h"
#include "platform/HttpTransport.h"

namespace quillet {

class LanguageRecognizer;
class Scheduler;

/// Either the decoded result or the reason there is none.
template <typename T>
using Outcome = std::variant<T, OpenAIError>;

/// A request under way, for whoever may want to stop it. Holds the request weakly.
class PendingRequest {
public:
    /// What a request shares with its handles.
    struct Control {
        virtual ~Control() = default;
        virtual void cancel() = 0;
    };

    PendingRequest() = default;
    explicit PendingRequest(std::weak_ptr<Control> control) : m_control(std::move(control)) {}

    /// Stops the request: nothing more is sent, no retry follows, and its `done` is never called.
    void cancel();
    /// Whether the request still waits for its answer.
    bool isActive() const { return !m_control.expired(); }

private:
    std::weak_ptr<Control> m_control;
};

class OpenAIClient {
public:
    static constexpr int maxCharacters = 5000;
    static constexpr int maxAttempts = 3;
    static constexpr std::chrono::milliseconds chatTimeout{30000};
    static constexpr std::chrono::milliseconds keyCheckTimeout{60000};
    /// The longest a request may take, every attempt and pause included: a server that never answers,
    /// or sends a byte now and then, ends there.
    static constexpr std::chrono::milliseconds requestDeadline{60000};
    /// The longest a whole answer may take, however steadily its pieces come: generous for a slow
    /// local model, yet an end for a server that never finishes.
    static constexpr std::chrono::milliseconds answerLimit{10 * 60 * 1000};
    /// Larger replies are refused: no chat answer to one field's text comes near this.
    static constexpr qint64 maxReplyBytes = 4 * 1024 * 1024;

    /// A client of the server at `baseURL` ("https://api.openai.com", "http://127.0.0.1:11434/v1"),
    /// with the key saved for that server ("" for none). The services must outlive every request
    /// started through this client (they are the process's).
    OpenAIClient(QString baseURL, QString apiKey, QString model, HttpTransport& transport,
                 Scheduler& scheduler, LanguageRecognizer& recognizer);
    /// A client that asks `apiKey` for its server's key each time a request is about to go out. What
    /// goes with a request follows ServerKeys::decide.
    OpenAIClient(QString baseURL, KeySource apiKey, QString model, HttpTransport& transport,
                 Scheduler& scheduler, LanguageRecognizer& recognizer);

    const QString& baseURL() const { return m_baseURL; }
    const QString& model() const { return m_model; }
    /// The longest a request may take from the moment it goes out; requestDeadline unless changed.
    std::chrono::milliseconds deadline() const { return m_deadline; }
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }
    /// The longest a whole answer may take; answerLimit unless changed.
    std::chrono::milliseconds limit() const { return m_limit; }
    void setLimit(std::chrono::milliseconds limit) { m_limit = limit; }

    /// Asks the model for a streamed answer, retrying quota, network and server failures twice (after
    /// 2 s, then 4 s) as long as nothing of the answer has arrived, within requestDeadline (counted
    /// again from each piece of a stream, up to answerLimit), and calls `done` once on the main thread, never
    /// synchronously. `progress`, when set, sees the answer grow. T is CorrectionResult or
    /// RephraseResult, of which at most `maxVariants` variants are kept. Every text of the answer is
    /// plain text (PlainText::of). A stream that grows far past the text sent (AnswerGuard::isRunaway)
    /// is stopped there, and answered as OpenAIError::runaway().
    template <typename T>
    PendingRequest request(const QString& system, const QString& user, double temperature,
                           std::function<void(Outcome<T>)> done,
                           std::function<void(const PartialAnswer&)> progress = {},
                           qsizetype maxVariants = RephraseResult::maxVariants) const;

    /// Calls `done` once on the main thread with whether the server accepts the key (status 200),
    /// within requestDeadline. A key that may not go to the server is not sent, and not accepted.
    PendingRequest validateKey(std::function<void(bool)> done) const;

    /// Asks the server once for the models it offers (GET /v1/models) and calls `done` once on the main
    /// thread with their names, or with why there are none.
    PendingRequest listModels(std::function<void(Outcome<QStringList>)> done) const;

    /// `path` ("/v1/chat/completions", "/v1/models") on the server at `baseURL`; a base that already
    /// ends in the path's "/v1" does not get it twice.
    static QUrl endpoint(const QString& baseURL, const QString& path);
    /// `path` on this client's server.
    QUrl endpoint(const QString& path) const { return endpoint(m_baseURL, path); }
    /// The first `limit` user-perceived characters of `text`; a cluster is never split.
    static QString cutText(const QString& text, int limit = maxCharacters);
    /// The chat request's JSON body for the already cut and hinted user content.
    QJsonObject requestBody(const QString& system, const QString& userContent, double temperature) const;
    /// What one HTTP exchange of a chat request to `url` comes to, its texts plain, at most
    /// `maxVariants` variants kept.
    template <typename T>
    static Outcome<T> decodeReply(const HttpReply& reply, const QUrl& url = {},
                                  qsizetype maxVariants = RephraseResult::maxVariants);

private:
    QString m_baseURL;
    KeySource m_apiKey;
    QString m_model;
    std::chrono::milliseconds m_deadline = requestDeadline;
    std::chrono::milliseconds m_limit = answerLimit;
    HttpTransport* m_transport;
    Scheduler* m_scheduler;
    LanguageRecognizer* m_recognizer;
};

}  // namespace quillet
