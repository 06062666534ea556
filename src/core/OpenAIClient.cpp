#include "core/OpenAIClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <memory>

#include "core/Prompts.h"
#include "core/SettingsStore.h"
#include "platform/Scheduler.h"

namespace quillet {

namespace {

// One request's attempts. Held by whatever waits for it (the transport's reply or the retry timer),
// so it lives exactly as long as the request is under way.
template <typename T>
struct RequestRun : std::enable_shared_from_this<RequestRun<T>> {
    HttpTransport* transport = nullptr;
    Scheduler* scheduler = nullptr;
    HttpRequest http;
    std::function<void(Outcome<T>)> done;
    int attempt = 0;

    void start() {
        ++attempt;
        transport->send(http, [self = this->shared_from_this()](HttpReply reply) { self->finished(reply); });
    }

    void finished(const HttpReply& reply) {
        Outcome<T> outcome = OpenAIClient::decodeReply<T>(reply);
        const auto* error = std::get_if<OpenAIError>(&outcome);
        if (error && error->isRetryable() && attempt < OpenAIClient::maxAttempts) {
            const std::chrono::milliseconds pause = std::chrono::seconds(1 << attempt);  // 2 s, then 4 s
            scheduler->after(pause, [self = this->shared_from_this()] { self->start(); });
            return;
        }
        done(std::move(outcome));
    }
};

// Which of the envelope's parts failed decides the detail the user sees.
std::optional<QString> firstChoiceContent(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue choices = document.object().value(QStringLiteral("choices"));
    if (!choices.isArray())
        return std::nullopt;
    // Every choice must decode, as the envelope is decoded whole; only the first one is used.
    std::optional<QString> first;
    for (const QJsonValue& choice : choices.toArray()) {
        if (!choice.isObject())
            return std::nullopt;
        const QJsonValue message = choice.toObject().value(QStringLiteral("message"));
        if (!message.isObject())
            return std::nullopt;
        const QJsonValue content = message.toObject().value(QStringLiteral("content"));
        if (!content.isString())
            return std::nullopt;
        if (!first)
            first = content.toString();
    }
    return first;
}

}  // namespace

OpenAIClient::OpenAIClient(QString apiKey, QString model, HttpTransport& transport, Scheduler& scheduler,
                           LanguageRecognizer& recognizer)
    : m_apiKey(std::move(apiKey)),
      m_model(std::move(model)),
      m_transport(&transport),
      m_scheduler(&scheduler),
      m_recognizer(&recognizer) {}

QUrl OpenAIClient::endpoint(const QString& path) {
    const SettingsStore* settings = SettingsStore::sharedIfInstalled();
    const QString base = settings ? settings->apiBaseURL() : SettingsStore::defaultApiBaseURL;
    QUrl url(base.trimmed(), QUrl::StrictMode);
    // "https://host/" and "https://host" name the same server; a path prefix (a gateway) is kept.
    QString prefix = url.path();
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    url.setPath(prefix + path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QString OpenAIClient::cutText(const QString& text, int limit) {
    // A cluster is at least one UTF-16 unit, so a short text needs no counting.
    if (text.size() <= limit)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int count = 0; count < limit; ++count) {
        if (finder.toNextBoundary() < 0)
            return text;
    }
    return text.left(finder.position());
}

QJsonObject OpenAIClient::requestBody(const QString& system, const QString& userContent,
                                      double temperature) const {
    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")}, {QStringLiteral("content"), system}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                    {QStringLiteral("content"), userContent}},
    };
    return QJsonObject{
        {QStringLiteral("model"), m_model},
        {QStringLiteral("temperature"), temperature},
        {QStringLiteral("response_format"),
         QJsonObject{{QStringLiteral("type"), QStringLiteral("json_object")}}},
        {QStringLiteral("messages"), messages},
    };
}

bool OpenAIClient::keyFitsHeader() const {
    // A line break or other control character would split the Authorization header: such a key is
    // refused here rather than sent malformed.
    for (const QChar c : m_apiKey)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

template <typename T>
Outcome<T> OpenAIClient::decodeReply(const HttpReply& reply) {
    switch (reply.kind) {
        case HttpReply::Kind::failure:
            return OpenAIError::offline();
        case HttpReply::Kind::tooLarge:
            return OpenAIError::badResponse(OpenAIError::tooLargeDetail);
        case HttpReply::Kind::response:
            break;
    }
    const int status = reply.status;
    if (status == 401)
        return OpenAIError::invalidKey();
    if (status == 429)
        return OpenAIError::quotaExceeded();
    if (status >= 500 && status <= 599)
        return OpenAIError::offline();
    if (status != 200)
        return OpenAIError::badResponse(OpenAIError::httpStatusDetail(status));
    if (reply.body.size() > maxReplyBytes)
        return OpenAIError::badResponse(OpenAIError::tooLargeDetail);

    const std::optional<QString> content = firstChoiceContent(reply.body);
    // A lone surrogate (an escaped "\ud800") has no UTF-8 form.
    if (!content || !content->isValidUtf16())
        return OpenAIError::badResponse(OpenAIError::emptyContentDetail);
    std::optional<T> result = decodeJson<T>(content->toUtf8());
    if (!result)
        return OpenAIError::badResponse(OpenAIError::jsonDetail);
    return std::move(*result);
}

template <typename T>
void OpenAIClient::request(const QString& system, const QString& user, double temperature,
                           std::function<void(Outcome<T>)> done) const {
    if (m_apiKey.isEmpty() || !keyFitsHeader()) {
        const OpenAIError error = m_apiKey.isEmpty() ? OpenAIError::missingKey() : OpenAIError::invalidKey();
        m_scheduler->post([done = std::move(done), error] { done(error); });
        return;
    }
    const QString cut = cutText(user);
    const QString content = cut + Prompts::languageHint(cut, *m_recognizer);

    auto run = std::make_shared<RequestRun<T>>();
    run->transport = m_transport;
    run->scheduler = m_scheduler;
    run->done = std::move(done);
    run->http.method = "POST";
    run->http.url = endpoint(QStringLiteral("/v1/chat/completions"));
    run->http.headers = {{"Authorization", "Bearer " + m_apiKey.toUtf8()},
                         {"Content-Type", "application/json"}};
    run->http.body = QJsonDocument(requestBody(system, content, temperature)).toJson(QJsonDocument::Compact);
    run->http.timeout = chatTimeout;
    run->http.maxReplyBytes = maxReplyBytes;
    run->start();
}

void OpenAIClient::validateKey(std::function<void(bool)> done) const {
    if (!keyFitsHeader()) {
        m_scheduler->post([done = std::move(done)] { done(false); });
        return;
    }
    HttpRequest http;
    http.method = "GET";
    http.url = endpoint(QStringLiteral("/v1/models"));
    http.headers = {{"Authorization", "Bearer " + m_apiKey.toUtf8()}};
    http.timeout = keyCheckTimeout;
    http.maxReplyBytes = maxReplyBytes;
    m_transport->send(http, [done = std::move(done)](const HttpReply& reply) {
        // The body is not needed: a model list too long to keep still means the key was accepted.
        done(reply.kind != HttpReply::Kind::failure && reply.status == 200);
    });
}

template void OpenAIClient::request<CorrectionResult>(const QString&, const QString&, double,
                                                      std::function<void(Outcome<CorrectionResult>)>) const;
template void OpenAIClient::request<RephraseResult>(const QString&, const QString&, double,
                                                    std::function<void(Outcome<RephraseResult>)>) const;
template Outcome<CorrectionResult> OpenAIClient::decodeReply<CorrectionResult>(const HttpReply&);
template Outcome<RephraseResult> OpenAIClient::decodeReply<RephraseResult>(const HttpReply&);

}  // namespace quillet
