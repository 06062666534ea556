// A small HTTP/1.1 server on 127.0.0.1 owned by a test: scripted replies (status, body, delay, silence,
// cut-off transfers), a record of every request, optional TLS with a throw-away self-signed
// certificate, and a mode that answers chat completions like a language model would.
#pragma once

#include <chrono>

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>

class QTcpSocket;

namespace quillet::test {

class LoopbackHttpServer : public QTcpServer {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int connection = 0;    // 1, 2, ... in order of acceptance: equal numbers shared a connection
        qint64 arrivedMs = 0;  // on the server's clock, when the whole request was read
        qint64 answeredMs = -1;
        /// When the answer was handed to the socket, on the clock every process shares.
        std::chrono::steady_clock::time_point answeredAt{};

        /// First header of that name, case-insensitive; empty when absent.
        QByteArray header(const QByteArray& name) const;
    };

    struct Response {
        enum class Mode {
            normal,       // status line, headers, whole body
            silent,       // read the request, never answer (the connection stays open)
            cutOff,       // announce the whole body, send half of it, close the connection
            closeAtOnce,  // close the connection without a byte
            notHttp,      // answer bytes that are not HTTP, then close
            unsized,      // no Content-Length: the body ends when the connection closes
            trickle,      // announce the body, then send one byte of it every 250 ms, never finishing
            streamed,     // the body is the answer's text, sent as chat events (see ModelBehaviour)
        };
        int status = 200;
        QByteArray body;
        int delayMs = 0;
        Mode mode = Mode::normal;
        QList<QPair<QByteArray, QByteArray>> headers;  // Content-Type defaults to application/json

        static Response json(int status, QByteArray body, int delayMs = 0) {
            return {status, std::move(body), delayMs, Mode::normal, {}};
        }
        static Response of(Mode mode, QByteArray body = {}) { return {200, std::move(body), 0, mode, {}}; }
        /// `content`, the model's answer, streamed as the model behaviour says.
        static Response stream(const QString& content) { return of(Mode::streamed, content.toUtf8()); }
    };

    /// How the built-in model answers; every text is the user text without the language hint.
    struct ModelBehaviour {
        std::function<QString(const QString&)> correct = [](const QString& text) { return text; };
        std::function<QList<QPair<QString, QString>>(const QString&)> rephrase = [](const QString& text) {
            return QList<QPair<QString, QString>>{{QStringLiteral("neutral"), text},
                                                  {QStringLiteral("professional"), text},
                                                  {QStringLiteral("concise"), text}};
        };
        /// When set, requests whose bearer token differs are answered 401. Unset, any key or none will do.
        QString acceptedKey;
        int delayMs = 0;
        /// What GET /v1/models lists.
        QStringList models{QStringLiteral("gpt-4o-mini")};
        /// Chat answers asked for with "stream": true come as events at this many tokens (four
        /// characters) a second; 0 answers every request whole.
        int tokensPerSecond = 0;
        /// A stream ends after this many tokens with the connection closed mid-way; -1 never.
        int cutAfterTokens = -1;
        /// A line that is no event comes after this many tokens; -1 never.
        int garbageAfterTokens = -1;
    };

    enum class Security { plain, tls };

    /// Listens on 127.0.0.1 at a free port. For `tls` a certificate for 127.0.0.1 is made with openssl
    /// (see tlsReady()); no client trusts it.
    explicit LoopbackHttpServer(Security security = Security::plain, QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    /// "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT", without a trailing slash.
    QString baseUrl() const;
    /// Listens on every interface from now on (on a new port), and gives the address of the server on
    /// the machine's first one that is not loopback ("http://192.0.2.2:PORT"); empty when there is none.
    QString openToNetwork();
    bool tlsReady() const { return !m_certificate.isNull(); }
    QSslCertificate certificate() const { return m_certificate; }

    /// Queued responses answer requests in order; then `responder` answers, else the model does.
    void enqueue(Response response) { m_queue.push_back(std::move(response)); }
    std::function<Response(const Request&)> responder;
    ModelBehaviour model;
    /// The model's answer to a request: proofreading or rephrasing chosen from the system prompt,
    /// /v1/models for the key check, 404 otherwise.
    Response modelResponse(const Request& request) const;

    const QList<Request>& requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }
    /// Connections that began a TLS handshake and never finished it.
    int failedHandshakes() const { return m_failedHandshakes; }
    /// Trickling answers whose connection is still open.
    int trickling() const { return m_trickling; }
    /// The most requests that were waiting for their answer at the same moment.
    int peakConcurrent() const { return m_peakConcurrent; }
    /// Time spent in the server's own code (reading, answering), for benchmarks that subtract it.
    qint64 busyNanoseconds() const { return m_busyNs; }
    void clear();

    /// The user text of a chat request without the language hint; empty when the body is not one.
    static QString userText(const QByteArray& chatBody);
    /// A chat-completions envelope whose first choice's message content is `content`.
    static QByteArray chatEnvelope(const QString& content);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection;
    void readFrom(const std::shared_ptr<Connection>& connection);
    void answer(const std::shared_ptr<Connection>& connection, qsizetype index, const Response& response);
    void stream(QTcpSocket* socket, const QString& content);
    bool makeCertificate();

    Security m_security;
    QTemporaryDir m_dir;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QElapsedTimer m_clock;
    std::deque<Response> m_queue;
    QList<Request> m_requests;
    QList<std::shared_ptr<Connection>> m_open;
    int m_connections = 0;
    int m_failedHandshakes = 0;
    int m_concurrent = 0;
    int m_peakConcurrent = 0;
    int m_trickling = 0;
    qint64 m_busyNs = 0;
    int m_busyDepth = 0;
};

}  // namespace quillet::test
