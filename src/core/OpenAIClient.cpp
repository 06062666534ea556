// Chat requests to the language model with their retries and deadlines, and the key check.
#include "core/OpenAIClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <memory>
#include <utility>

#include "core/ChatStream.h"
#include "core/KeyRequirement.h"
#include "core/ModelServers.h"
#include "core/Prompts.h"
#include "platform/Scheduler.h"

namespace quillet {

namespace {

// A line break or other control character would split the Authorization header: such a key is
// refused rather than sent malformed.
bool fitsHeader(const QString& key) {
    for (const QChar c : key)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

// One exchange with the server, with its attempts, pauses and overall deadline. Held by whatever
// waits for it (the key, the transport's reply, a timer), so it lives exactly as long as it is under
// way; handles hold it weakly.
template <typename Answer>
struct Exchange : PendingRequest::Control, std::enable_shared_from_this<Exchange<Answer>> {
    HttpTransport* transport = nullptr;
    Scheduler* scheduler = nullptr;
    HttpRequest http;
    int maxAttempts = 1;
    // What one reply comes to, and whether another attempt may change it.
    std::function<Answer(const HttpReply&)> decode;
    std::function<bool(const Answer&)> retryable;
    // The answer when the deadline passes during an attempt.
    Answer lateAnswer;
    std::function<void(Answer)> done;
    // Each piece of a 200 reply's body as it arrives.
    std::function<void(const QByteArray&)> onData;
    // Some of the answer has arrived: trying again would show it twice, so there is no retry.
    bool streamed = false;
    std::chrono::milliseconds deadline{};

    int attempt = 0;
    bool over = false;
    std::optional<Answer> lastAnswer;
    std::optional<HttpRequestId> inFlight;
    std::optional<TimerId> pauseTimer;
    std::optional<TimerId> deadlineTimer;

    void begin(std::chrono::milliseconds limit) {
        deadline = limit;
        armDeadline();
        if (onData) {
            // Held weakly: the request, and its handler with it, is part of this exchange.
            http.onData = [weak = this->weak_from_this()](const QByteArray& piece) {
                const auto self = weak.lock();
                if (!self || self->over)
                    return;
                self->streamed = true;
                self->onData(piece);
            };
        }
        send();
    }

    void restartDeadline() {
        if (over)
            return;
        if (deadlineTimer)
            scheduler->cancel(*std::exchange(deadlineTimer, std::nullopt));
        armDeadline();
    }

    void armDeadline() {
        deadlineTimer = scheduler->after(deadline, [self = this->shared_from_this()] {
            self->deadlineTimer.reset();
            // In a pause the last attempt's failure is what happened; during an attempt, the wait.
            self->finish(self->pauseTimer && self->lastAnswer ? *self->lastAnswer : self->lateAnswer);
        });
    }

    void send() {
        pauseTimer.reset();
        ++attempt;
        inFlight = transport->send(http, [self = this->shared_from_this()](HttpReply reply) {
            self->inFlight.reset();
            self->received(reply);
        });
    }

    void received(const HttpReply& reply) {
        if (over)
            return;
        Answer answer = decode(reply);
        if (attempt < maxAttempts && !streamed && retryable(answer)) {
            lastAnswer = std::move(answer);
            const std::chrono::milliseconds pause = std::chrono::seconds(1 << attempt);  // 2 s, then 4 s
            pauseTimer = scheduler->after(pause, [self = this->shared_from_this()] { self->send(); });
            return;
        }
        finish(std::move(answer));
    }

    // Answers on the main thread, never from inside the caller's own call.
    template <typename Value>
    void finishSoon(Value value) {
        scheduler->post([self = this->shared_from_this(), value] { self->finish(Answer(value)); });
    }

    void finish(Answer answer) {
        if (over)
            return;
        stop();
        if (std::function<void(Answer)> callback = std::move(done))
            callback(std::move(answer));
    }

    void cancel() override {
        if (over)
            return;
        stop();
        done = nullptr;
    }

    // Drops every wait, and with them every reference to this exchange.
    void stop() {
        over = true;
        if (inFlight)
            transport->cancel(*std::exchange(inFlight, std::nullopt));
        if (pauseTimer)
            scheduler->cancel(*std::exchange(pauseTimer, std::nullopt));
        if (deadlineTimer)
            scheduler->cancel(*std::exchange(deadlineTimer, std::nullopt));
    }
};

// What an exchange does once the key is read: it goes out with the key, or without one to a server
// that needs none; a key that is missing where one is needed, or that would break the header, ends
// it with the matching message.
template <typename Answer>
std::function<void(const QString&)> beginWithKey(std::shared_ptr<Exchange<Answer>> exchange,
                                                 std::chrono::milliseconds deadline, bool keyRequired) {
    return [exchange, deadline, keyRequired](const QString& key) {
        if (exchange->over)
            return;
        if ((key.isEmpty() && keyRequired) || !fitsHeader(key)) {
            exchange->finishSoon(key.isEmpty() ? OpenAIError::missingKey() : OpenAIError::invalidKey());
            return;
        }
        if (!key.isEmpty())
            exchange->http.headers.prepend({"Authorization", "Bearer " + key.toUtf8()});
        exchange->begin(deadline);
    };
}

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

void PendingRequest::cancel() {
    if (const std::shared_ptr<Control> control = m_control.lock())
        control->cancel();
}

OpenAIClient::OpenAIClient(QString baseURL, QString apiKey, QString model, HttpTransport& transport,
                           Scheduler& scheduler, LanguageRecognizer& recognizer)
    : OpenAIClient(std::move(baseURL),
                   KeySource([apiKey](const std::function<void(QString)>& give) { give(apiKey); }),
                   std::move(model), transport, scheduler, recognizer) {}

OpenAIClient::OpenAIClient(QString baseURL, KeySource apiKey, QString model, HttpTransport& transport,
                           Scheduler& scheduler, LanguageRecognizer& recognizer)
    : m_baseURL(std::move(baseURL)),
      m_apiKey(std::move(apiKey)),
      m_model(std::move(model)),
      m_transport(&transport),
      m_scheduler(&scheduler),
      m_recognizer(&recognizer) {}

QUrl OpenAIClient::endpoint(const QString& baseURL, const QString& path) {
    QUrl url(baseURL.trimmed(), QUrl::StrictMode);
    // "https://host/" and "https://host" name the same server; a path prefix (a gateway) is kept.
    QString prefix = url.path();
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    // Local servers document their address with the version in it ("http://localhost:8080/v1").
    const QLatin1String version("/v1");
    if (prefix.endsWith(version) && path.startsWith(version + QLatin1Char('/')))
        prefix.chop(version.size());
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
        {QStringLiteral("stream"), true},
    };
}

namespace {

// What a reply that is not a usable 200 comes to; nullopt for one that is.
std::optional<OpenAIError> failureOf(const HttpReply& reply) {
    switch (reply.kind) {
        case HttpReply::Kind::failure:
            return OpenAIError::offline();
        case HttpReply::Kind::tooLarge:
            return OpenAIError::badResponse(OpenAIError::tooLargeDetail);
        case HttpReply::Kind::certificate:
            return OpenAIError::certificate();
        case HttpReply::Kind::response:
            break;
    }
    const int status = reply.status;
    if (status == 401)
        return OpenAIError::invalidKey();
    if (status == 429)
        return OpenAIError::quotaExceeded();
    if (status >= 500 && status <= 599)
        return OpenAIError::serverError(status);
    if (status != 200)
        return OpenAIError::badResponse(OpenAIError::httpStatusDetail(status));
    if (reply.body.size() > OpenAIClient::maxReplyBytes)
        return OpenAIError::badResponse(OpenAIError::tooLargeDetail);
    return std::nullopt;
}

}  // namespace

template <typename T>
Outcome<T> OpenAIClient::decodeReply(const HttpReply& reply) {
    if (std::optional<OpenAIError> failure = failureOf(reply))
        return std::move(*failure);

    std::optional<QString> content;
    if (ChatStream::isEventStream(reply.body).value_or(false)) {
        ChatStream stream;
        stream.feed(reply.body);
        if (stream.state() == ChatStream::State::broken)
            return OpenAIError::badResponse(OpenAIError::streamDetail);
        if (stream.state() == ChatStream::State::open)
            return OpenAIError::interrupted();
        content = stream.content();
    } else {
        content = firstChoiceContent(reply.body);
    }
    // A lone surrogate (an escaped "\ud800") has no UTF-8 form.
    if (!content || !content->isValidUtf16())
        return OpenAIError::badResponse(OpenAIError::emptyContentDetail);
    std::optional<T> result = decodeJson<T>(content->toUtf8());
    if (!result)
        return OpenAIError::badResponse(OpenAIError::jsonDetail);
    return std::move(*result);
}

template <typename T>
PendingRequest OpenAIClient::request(const QString& system, const QString& user, double temperature,
                                     std::function<void(Outcome<T>)> done,
                                     std::function<void(const PartialAnswer&)> progress) const {
    const QString cut = cutText(user);
    const QString content = cut + Prompts::languageHint(cut, *m_recognizer);

    auto exchange = std::make_shared<Exchange<Outcome<T>>>();
    exchange->transport = m_transport;
    exchange->scheduler = m_scheduler;
    exchange->maxAttempts = maxAttempts;
    // What a streamed answer has said so far; a reply that is one JSON object is shown when whole.
    struct Reading {
        QByteArray start;  // the first bytes, until they tell what kind of body this is
        std::optional<bool> eventStream;
        ChatStream stream;
        PartialAnswer answer;
    };
    auto reading = std::make_shared<Reading>();
    exchange->onData = [reading, exchange = std::weak_ptr(exchange), progress](const QByteArray& piece) {
        QByteArray bytes = piece;
        if (!reading->eventStream) {
            reading->start += piece;
            reading->eventStream = ChatStream::isEventStream(reading->start);
            if (!reading->eventStream)
                return;
            bytes = std::exchange(reading->start, QByteArray());
        }
        if (!*reading->eventStream || reading->stream.state() != ChatStream::State::open)
            return;
        const QString grown = reading->stream.feed(bytes);
        if (reading->stream.state() == ChatStream::State::broken) {
            // Said now rather than when the server gets round to closing.
            if (const auto self = exchange.lock())
                self->finishSoon(OpenAIError::badResponse(OpenAIError::streamDetail));
            return;
        }
        if (grown.isEmpty())
            return;
        // A model that keeps writing is slow, not stuck: the deadline counts from its last word.
        if (const auto self = exchange.lock())
            self->restartDeadline();
        reading->answer.feed(grown);
        if (progress)
            progress(reading->answer);
    };
    exchange->decode = [reading](const HttpReply& reply) -> Outcome<T> {
        // The connection dropped after the answer had begun.
        if (reply.kind == HttpReply::Kind::failure && reading->eventStream.value_or(false))
            return OpenAIError::interrupted();
        return decodeReply<T>(reply);
    };
    exchange->retryable = [](const Outcome<T>& outcome) {
        const auto* error = std::get_if<OpenAIError>(&outcome);
        return error && error->isRetryable();
    };
    exchange->lateAnswer = OpenAIError::offline();
    exchange->done = std::move(done);
    exchange->http.method = "POST";
    exchange->http.url = endpoint(QStringLiteral("/v1/chat/completions"));
    exchange->http.body =
        QJsonDocument(requestBody(system, content, temperature)).toJson(QJsonDocument::Compact);
    exchange->http.timeout = chatTimeout;
    exchange->http.maxReplyBytes = maxReplyBytes;

    // The key is read only now, and the deadline starts once it is in: an unlock prompt of the
    // keyring is the user's time, not the server's.
    // A server of the user's own may need no key: then none is sent, and a 401 says it wants one.
    exchange->http.headers = {{"Content-Type", "application/json"}};
    m_apiKey(beginWithKey(exchange, m_deadline, KeyRequirement::isRequired(m_baseURL)));
    return PendingRequest(exchange);
}

PendingRequest OpenAIClient::validateKey(std::function<void(bool)> done) const {
    auto exchange = std::make_shared<Exchange<bool>>();
    exchange->transport = m_transport;
    exchange->scheduler = m_scheduler;
    // The body is not needed: a model list too long to keep still means the key was accepted.
    exchange->decode = [](const HttpReply& reply) {
        return (reply.kind == HttpReply::Kind::response || reply.kind == HttpReply::Kind::tooLarge) &&
               reply.status == 200;
    };
    exchange->retryable = [](bool) { return false; };
    exchange->lateAnswer = false;
    exchange->done = std::move(done);
    exchange->http.method = "GET";
    exchange->http.url = endpoint(QStringLiteral("/v1/models"));
    exchange->http.timeout = keyCheckTimeout;
    exchange->http.maxReplyBytes = maxReplyBytes;
    m_apiKey([exchange, deadline = m_deadline,
              keyRequired = KeyRequirement::isRequired(m_baseURL)](const QString& key) {
        if (exchange->over)
            return;
        // An empty key is sent like any other and refused by the server, unless the server needs none.
        if (!fitsHeader(key)) {
            exchange->finishSoon(false);
            return;
        }
        if (!key.isEmpty() || keyRequired)
            exchange->http.headers = {{"Authorization", "Bearer " + key.toUtf8()}};
        exchange->begin(deadline);
    });
    return PendingRequest(exchange);
}

PendingRequest OpenAIClient::listModels(std::function<void(Outcome<QStringList>)> done) const {
    auto exchange = std::make_shared<Exchange<Outcome<QStringList>>>();
    exchange->transport = m_transport;
    exchange->scheduler = m_scheduler;
    exchange->decode = [](const HttpReply& reply) -> Outcome<QStringList> {
        if (std::optional<OpenAIError> failure = failureOf(reply))
            return std::move(*failure);
        if (std::optional<QStringList> names = ModelServers::parseModelList(reply.body))
            return std::move(*names);
        return OpenAIError::badResponse(OpenAIError::jsonDetail);
    };
    exchange->retryable = [](const Outcome<QStringList>&) { return false; };
    exchange->lateAnswer = OpenAIError::offline();
    exchange->done = std::move(done);
    exchange->http.method = "GET";
    exchange->http.url = endpoint(QStringLiteral("/v1/models"));
    exchange->http.timeout = keyCheckTimeout;
    exchange->http.maxReplyBytes = maxReplyBytes;
    m_apiKey(beginWithKey(exchange, m_deadline, KeyRequirement::isRequired(m_baseURL)));
    return PendingRequest(exchange);
}

template PendingRequest OpenAIClient::request<CorrectionResult>(
    const QString&, const QString&, double, std::function<void(Outcome<CorrectionResult>)>,
    std::function<void(const PartialAnswer&)>) const;
template PendingRequest OpenAIClient::request<RephraseResult>(
    const QString&, const QString&, double, std::function<void(Outcome<RephraseResult>)>,
    std::function<void(const PartialAnswer&)>) const;
template Outcome<CorrectionResult> OpenAIClient::decodeReply<CorrectionResult>(const HttpReply&);
template Outcome<RephraseResult> OpenAIClient::decodeReply<RephraseResult>(const HttpReply&);

}  // namespace quillet
