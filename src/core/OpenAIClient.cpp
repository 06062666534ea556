// Chat requests to the language model with their retries and deadlines, and the key check.
#include "core/OpenAIClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <memory>
#include <utility>

#include "core/AnswerGuard.h"
#include "core/ChatStream.h"
#include "core/ModelServers.h"
#include "core/Prompts.h"
#include "platform/Scheduler.h"

namespace quillet {

namespace {

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
    // The answer when the deadline passes during an attempt, and when a whole answer runs past its
    // limit.
    Answer lateAnswer;
    Answer overlongAnswer;
    std::function<void(Answer)> done;
    // Each piece of a 200 reply's body as it arrives.
    std::function<void(const QByteArray&)> onData;
    // Some of the answer has arrived: trying again would show it twice, so there is no retry.
    bool streamed = false;
    // What a failure told as an error comes to.
    std::function<Answer(const OpenAIError&)> fromError;
    // What a 401 means when the key the server wants was not sent.
    std::optional<OpenAIError> keyLeftBehind;
    std::chrono::milliseconds deadline{};
    std::chrono::milliseconds limit{};

    int attempt = 0;
    bool over = false;
    std::optional<Answer> lastAnswer;
    std::optional<HttpRequestId> inFlight;
    std::optional<TimerId> pauseTimer;
    std::optional<TimerId> deadlineTimer;
    std::optional<TimerId> limitTimer;

    void begin() {
        armDeadline();
        // Never restarted: the end of an answer that keeps coming.
        limitTimer = scheduler->after(limit, [self = this->shared_from_this()] {
            self->limitTimer.reset();
            self->finish(self->overlongAnswer);
        });
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
        const bool refusedBare =
            keyLeftBehind && reply.kind == HttpReply::Kind::response && reply.status == 401;
        Answer answer = refusedBare ? fromError(*keyLeftBehind) : decode(reply);
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
        if (limitTimer)
            scheduler->cancel(*std::exchange(limitTimer, std::nullopt));
    }
};

// What an exchange does once the keyring has answered: it goes out with the key its server may have,
// or without one, or not at all (see ServerKeys::decide).
template <typename Answer>
std::function<void(KeyAnswer)> beginWithKey(std::shared_ptr<Exchange<Answer>> exchange, QString baseURL) {
    return [exchange, baseURL](const KeyAnswer& answer) {
        if (exchange->over)
            return;
        const ServerKeys::Decision decision = ServerKeys::decide(baseURL, answer);
        if (decision.refusal) {
            exchange->finishSoon(exchange->fromError(*decision.refusal));
            return;
        }
        if (!decision.key.isEmpty())
            exchange->http.headers.prepend({"Authorization", "Bearer " + decision.key.toUtf8()});
        exchange->keyLeftBehind = decision.keyLeftBehind;
        exchange->begin();
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
    : OpenAIClient(std::move(baseURL), KeySource([apiKey](const std::function<void(KeyAnswer)>& give) {
                       give(KeyAnswer::of(apiKey));
                   }),
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

// "host:port" of `url`, as the user would type it to reach the server.
QString addressOf(const QUrl& url) {
    const QString host = url.host();
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

// What a reply from `url` that is not a usable 200 comes to; nullopt for one that is.
std::optional<OpenAIError> failureOf(const HttpReply& reply, const QUrl& url) {
    switch (reply.kind) {
        case HttpReply::Kind::failure:
            switch (reply.cause) {
                case HttpReply::Cause::refused:
                    return OpenAIError::refused(addressOf(url));
                case HttpReply::Cause::timedOut:
                    return OpenAIError::timedOut();
                case HttpReply::Cause::network:
                    break;
            }
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

// A stream the server broke off with its own reason says that reason.
OpenAIError brokenStream(const ChatStream& stream) {
    return stream.serverError().trimmed().isEmpty() ? OpenAIError::badResponse(OpenAIError::streamDetail)
                                                    : OpenAIError::serverMessage(stream.serverError());
}

}  // namespace

template <typename T>
Outcome<T> OpenAIClient::decodeReply(const HttpReply& reply, const QUrl& url, qsizetype maxVariants) {
    if (std::optional<OpenAIError> failure = failureOf(reply, url))
        return std::move(*failure);

    std::optional<QString> content;
    if (ChatStream::isEventStream(reply.body).value_or(false)) {
        ChatStream stream;
        stream.feed(reply.body);
        if (stream.state() == ChatStream::State::broken)
            return brokenStream(stream);
        if (stream.state() == ChatStream::State::open)
            return OpenAIError::interrupted();
        content = stream.content();
    } else {
        content = firstChoiceContent(reply.body);
    }
    // A lone surrogate (an escaped "\ud800") has no UTF-8 form.
    if (!content || !content->isValidUtf16())
        return OpenAIError::badResponse(OpenAIError::emptyContentDetail);
    std::optional<T> result = decodeAnswer<T>(content->toUtf8(), maxVariants);
    if (!result)
        return OpenAIError::badResponse(OpenAIError::jsonDetail);
    return std::move(*result);
}

template <typename T>
PendingRequest OpenAIClient::request(const QString& system, const QString& user, double temperature,
                                     std::function<void(Outcome<T>)> done,
                                     std::function<void(const PartialAnswer&)> progress,
                                     qsizetype maxVariants) const {
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
        // The answer grew far past the text: the rest is not read.
        bool runaway = false;
    };
    auto reading = std::make_shared<Reading>();
    reading->answer = PartialAnswer(maxVariants);
    exchange->onData = [reading, exchange = std::weak_ptr(exchange), progress,
                        sentSize = cut.size()](const QByteArray& piece) {
        if (reading->runaway)
            return;
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
                self->finishSoon(brokenStream(reading->stream));
            return;
        }
        if (grown.isEmpty())
            return;
        if (AnswerGuard::isRunaway(sentSize, reading->stream.content().size())) {
            // A model in a loop writes for as long as it is let: its connection is closed now.
            reading->runaway = true;
            if (const auto self = exchange.lock())
                self->finishSoon(OpenAIError::runaway());
            return;
        }
        // A model that keeps writing is slow, not stuck: the deadline counts from its last word.
        if (const auto self = exchange.lock())
            self->restartDeadline();
        reading->answer.feed(grown);
        if (progress)
            progress(reading->answer);
    };
    const QUrl url = endpoint(QStringLiteral("/v1/chat/completions"));
    exchange->decode = [reading, url, maxVariants](const HttpReply& reply) -> Outcome<T> {
        // The reply may end before the stop that was called for reaches it.
        if (reading->runaway)
            return OpenAIError::runaway();
        // The connection dropped after the answer had begun.
        if (reply.kind == HttpReply::Kind::failure && reading->eventStream.value_or(false))
            return OpenAIError::interrupted();
        return decodeReply<T>(reply, url, maxVariants);
    };
    exchange->retryable = [](const Outcome<T>& outcome) {
        const auto* error = std::get_if<OpenAIError>(&outcome);
        return error && error->isRetryable();
    };
    exchange->lateAnswer = OpenAIError::timedOut();
    exchange->overlongAnswer = OpenAIError::tooLong();
    exchange->deadline = m_deadline;
    exchange->limit = m_limit;
    exchange->done = std::move(done);
    exchange->http.method = "POST";
    exchange->http.url = url;
    exchange->http.body =
        QJsonDocument(requestBody(system, content, temperature)).toJson(QJsonDocument::Compact);
    exchange->http.timeout = chatTimeout;
    exchange->http.maxReplyBytes = maxReplyBytes;

    // The key is read only now, and the deadline starts once it is in: an unlock prompt of the
    // keyring is the user's time, not the server's.
    exchange->http.headers = {{"Content-Type", "application/json"}};
    exchange->fromError = [](const OpenAIError& error) { return Outcome<T>(error); };
    m_apiKey(beginWithKey(exchange, m_baseURL));
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
    exchange->overlongAnswer = false;
    exchange->deadline = m_deadline;
    exchange->limit = m_limit;
    exchange->done = std::move(done);
    exchange->http.method = "GET";
    exchange->http.url = endpoint(QStringLiteral("/v1/models"));
    exchange->http.timeout = keyCheckTimeout;
    exchange->http.maxReplyBytes = maxReplyBytes;
    // A key that may not go is no key the server accepted.
    exchange->fromError = [](const OpenAIError&) { return false; };
    m_apiKey(beginWithKey(exchange, m_baseURL));
    return PendingRequest(exchange);
}

PendingRequest OpenAIClient::listModels(std::function<void(Outcome<QStringList>)> done) const {
    auto exchange = std::make_shared<Exchange<Outcome<QStringList>>>();
    exchange->transport = m_transport;
    exchange->scheduler = m_scheduler;
    const QUrl url = endpoint(QStringLiteral("/v1/models"));
    exchange->decode = [url](const HttpReply& reply) -> Outcome<QStringList> {
        if (std::optional<OpenAIError> failure = failureOf(reply, url))
            return std::move(*failure);
        if (std::optional<QStringList> names = ModelServers::parseModelList(reply.body))
            return std::move(*names);
        return OpenAIError::badResponse(OpenAIError::jsonDetail);
    };
    exchange->retryable = [](const Outcome<QStringList>&) { return false; };
    exchange->lateAnswer = OpenAIError::timedOut();
    exchange->overlongAnswer = OpenAIError::timedOut();
    exchange->deadline = m_deadline;
    exchange->limit = m_limit;
    exchange->done = std::move(done);
    exchange->http.method = "GET";
    exchange->http.url = url;
    exchange->http.timeout = keyCheckTimeout;
    exchange->http.maxReplyBytes = maxReplyBytes;
    exchange->fromError = [](const OpenAIError& error) { return Outcome<QStringList>(error); };
    m_apiKey(beginWithKey(exchange, m_baseURL));
    return PendingRequest(exchange);
}

template PendingRequest OpenAIClient::request<CorrectionResult>(
    const QString&, const QString&, double, std::function<void(Outcome<CorrectionResult>)>,
    std::function<void(const PartialAnswer&)>, qsizetype) const;
template PendingRequest OpenAIClient::request<RephraseResult>(const QString&, const QString&, double,
                                                              std::function<void(Outcome<RephraseResult>)>,
                                                              std::function<void(const PartialAnswer&)>,
                                                              qsizetype) const;
template Outcome<CorrectionResult> OpenAIClient::decodeReply<CorrectionResult>(const HttpReply&, const QUrl&,
                                                                               qsizetype);
template Outcome<RephraseResult> OpenAIClient::decodeReply<RephraseResult>(const HttpReply&, const QUrl&,
                                                                           qsizetype);

}  // namespace quillet
