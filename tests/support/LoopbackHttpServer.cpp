// A small HTTP/1.1 server on 127.0.0.1 that stands in for the language-model API in tests.
#include "support/LoopbackHttpServer.h"

#include <QNetworkInterface>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace quillet::test {

struct LoopbackHttpServer::Connection {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    int id = 0;
    int waiting = 0;  // requests read and not yet answered
};

namespace {

QByteArray reasonPhrase(int status) {
    static const QMap<int, QByteArray> phrases{{200, "OK"},
                                               {204, "No Content"},
                                               {301, "Moved Permanently"},
                                               {302, "Found"},
                                               {400, "Bad Request"},
                                               {401, "Unauthorized"},
                                               {404, "Not Found"},
                                               {429, "Too Many Requests"},
                                               {500, "Internal Server Error"},
                                               {503, "Service Unavailable"}};
    return phrases.value(status, "Status");
}

// Adds the time spent inside the server's handlers to `total`, counting nested calls once.
class BusyClock {
public:
    BusyClock(qint64& total, int& depth) : m_total(total), m_depth(depth) {
        if (m_depth++ == 0)
            m_timer.start();
    }
    ~BusyClock() {
        if (--m_depth == 0)
            m_total += m_timer.nsecsElapsed();
    }

private:
    qint64& m_total;
    int& m_depth;
    QElapsedTimer m_timer;
};

const QString hintOpening = QStringLiteral("\n\n(Text language: ");
const QString hintClosing = QStringLiteral(" — respond in the same language.)");

}  // namespace

QByteArray LoopbackHttpServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

LoopbackHttpServer::LoopbackHttpServer(Security security, QObject* parent)
    : QTcpServer(parent), m_security(security) {
    m_clock.start();
    if (m_security == Security::tls)
        makeCertificate();
    listen(QHostAddress::LocalHost, 0);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    close();
    for (const auto& connection : m_open)
        if (connection->socket)
            connection->socket->abort();
}

QString LoopbackHttpServer::baseUrl() const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_security == Security::tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(serverPort());
}

QString LoopbackHttpServer::openToNetwork() {
    close();
    listen(QHostAddress::AnyIPv4, 0);
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return QStringLiteral("%1://%2:%3")
                .arg(m_security == Security::tls ? QStringLiteral("https") : QStringLiteral("http"),
                     address.toString())
                .arg(serverPort());
    }
    return {};
}

void LoopbackHttpServer::clear() {
    m_requests.clear();
    m_queue.clear();
    m_connections = 0;
    m_failedHandshakes = 0;
    m_peakConcurrent = m_concurrent;
}

bool LoopbackHttpServer::makeCertificate() {
    if (!m_dir.isValid())
        return false;
    const QString key = m_dir.filePath(QStringLiteral("key.pem"));
    const QString cert = m_dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                   "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1,DNS:localhost"});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return false;
    QFile keyFile(key);
    QFile certFile(cert);
    if (!keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly))
        return false;
    m_key = QSslKey(keyFile.readAll(), QSsl::Ec);
    m_certificate = QSslCertificate(certFile.readAll());
    return !m_key.isNull() && !m_certificate.isNull();
}

void LoopbackHttpServer::incomingConnection(qintptr descriptor) {
    auto connection = std::make_shared<Connection>();
    connection->id = ++m_connections;
    std::weak_ptr<Connection> weak = connection;

    QTcpSocket* socket = nullptr;
    if (m_security == Security::tls) {
        auto* ssl = new QSslSocket(this);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_certificate);
        config.setPrivateKey(m_key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        ssl->setSslConfiguration(config);
        auto encrypted = std::make_shared<bool>(false);
        connect(ssl, &QSslSocket::encrypted, this, [encrypted] { *encrypted = true; });
        connect(ssl, &QTcpSocket::disconnected, this, [this, encrypted] {
            if (!*encrypted)
                ++m_failedHandshakes;
        });
        connect(ssl, &QSslSocket::sslErrors, this, [](const QList<QSslError>&) {});
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
    }
    if (!socket->setSocketDescriptor(descriptor)) {
        socket->deleteLater();
        return;
    }
    connection->socket = socket;
    m_open.append(connection);

    connect(socket, &QTcpSocket::readyRead, this, [this, weak] {
        if (auto c = weak.lock())
            readFrom(c);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, weak, socket] {
        if (auto c = weak.lock()) {
            m_concurrent -= c->waiting;
            c->waiting = 0;
            m_open.removeOne(c);
        }
        socket->deleteLater();
    });
    if (auto* ssl = qobject_cast<QSslSocket*>(socket))
        ssl->startServerEncryption();
}

void LoopbackHttpServer::readFrom(const std::shared_ptr<Connection>& connection) {
    const BusyClock busy(m_busyNs, m_busyDepth);
    connection->buffer += connection->socket->readAll();
    while (true) {
        QByteArray& buffer = connection->buffer;
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        Request request;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        qint64 length = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({name, value});
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                length = value.toLongLong();
        }
        if (buffer.size() < headerEnd + 4 + length)
            return;  // the body is still on its way
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        request.connection = connection->id;
        request.arrivedMs = m_clock.elapsed();
        m_requests.append(request);
        ++connection->waiting;
        m_peakConcurrent = std::max(m_peakConcurrent, ++m_concurrent);

        Response response;
        if (!m_queue.empty()) {
            response = std::move(m_queue.front());
            m_queue.pop_front();
        } else if (responder) {
            response = responder(request);
        } else {
            response = modelResponse(request);
        }
        const qsizetype index = m_requests.size() - 1;
        if (response.delayMs > 0) {
            std::weak_ptr<Connection> weak = connection;
            QTimer::singleShot(response.delayMs, this, [this, weak, index, response] {
                if (auto c = weak.lock())
                    answer(c, index, response);
            });
        } else {
            answer(connection, index, response);
        }
    }
}

void LoopbackHttpServer::answer(const std::shared_ptr<Connection>& connection, qsizetype index,
                                const Response& response) {
    const BusyClock busy(m_busyNs, m_busyDepth);
    QTcpSocket* socket = connection->socket;
    if (!socket || response.mode == Response::Mode::silent)
        return;
    --connection->waiting;
    --m_concurrent;
    if (index < m_requests.size()) {
        m_requests[index].answeredMs = m_clock.elapsed();
        m_requests[index].answeredAt = std::chrono::steady_clock::now();
    }

    switch (response.mode) {
        case Response::Mode::closeAtOnce:
            socket->disconnectFromHost();
            return;
        case Response::Mode::notHttp:
            socket->write("SSH-2.0-OpenSSH_9.2 this is not HTTP\r\n\r\n");
            socket->disconnectFromHost();
            return;
        default:
            break;
    }
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    bool typed = false;
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
    }
    if (!typed)
        head += "Content-Type: application/json\r\n";
    if (response.mode == Response::Mode::streamed) {
        stream(socket, QString::fromUtf8(response.body));
        return;
    }
    if (response.mode == Response::Mode::unsized) {
        socket->write(head + "Connection: close\r\n\r\n" + response.body);
        socket->disconnectFromHost();
        return;
    }
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n";
    if (response.mode == Response::Mode::cutOff) {
        socket->write(head + response.body.left(response.body.size() / 2));
        socket->flush();
        socket->disconnectFromHost();
        return;
    }
    if (response.mode == Response::Mode::trickle) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 1000000\r\n\r\n");
        ++m_trickling;
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        // The connection ends only when the client gives up on it.
        connect(timer, &QObject::destroyed, this, [this] { --m_trickling; });
        connect(socket, &QTcpSocket::disconnected, timer, &QObject::deleteLater);
        timer->start(250);
        return;
    }
    socket->write(head + response.body);
}

QString LoopbackHttpServer::userText(const QByteArray& chatBody) {
    const QJsonArray messages = QJsonDocument::fromJson(chatBody).object().value("messages").toArray();
    QString text = messages.at(1).toObject().value("content").toString();
    const qsizetype hint = text.lastIndexOf(hintOpening);
    if (hint >= 0 && text.endsWith(hintClosing))
        text.truncate(hint);
    return text;
}

QByteArray LoopbackHttpServer::chatEnvelope(const QString& content) {
    const QJsonObject message{{"role", "assistant"}, {"content", content}};
    const QJsonObject choice{{"index", 0}, {"message", message}, {"finish_reason", "stop"}};
    return QJsonDocument(QJsonObject{{"id", "chatcmpl-loopback"},
                                     {"object", "chat.completion"},
                                     {"choices", QJsonArray{choice}},
                                     {"usage", QJsonObject{{"total_tokens", 1}}}})
        .toJson(QJsonDocument::Compact);
}

void LoopbackHttpServer::stream(QTcpSocket* socket, const QString& content) {
    // The answer in tokens of about four characters; a surrogate pair is never split.
    auto tokens = std::make_shared<QStringList>();
    for (qsizetype i = 0; i < content.size();) {
        qsizetype n = std::min<qsizetype>(4, content.size() - i);
        if (content[i + n - 1].isHighSurrogate() && i + n < content.size())
            ++n;
        *tokens << content.mid(i, n);
        i += n;
    }
    auto chunk = [socket](const QByteArray& data) {
        socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
    };
    auto piece = [](const QJsonObject& delta, const QJsonValue& finish) {
        const QJsonObject choice{{"index", 0}, {"delta", delta}, {"finish_reason", finish}};
        const QJsonObject payload{{"object", "chat.completion.chunk"}, {"choices", QJsonArray{choice}}};
        return "data: " + QJsonDocument(payload).toJson(QJsonDocument::Compact) + "\n\n";
    };
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
        "Transfer-Encoding: chunked\r\n\r\n");
    chunk(": the model is loaded\n\n" + piece(QJsonObject{{"role", "assistant"}}, QJsonValue::Null));

    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<int>(0);
    const int cutAfter = model.cutAfterTokens;
    const int garbageAfter = model.garbageAfterTokens;
    auto tick = [=, this] {
        const BusyClock busy(m_busyNs, m_busyDepth);
        if (*sent == cutAfter) {
            timer->stop();
            socket->flush();
            socket->disconnectFromHost();
            return;
        }
        if (*sent == garbageAfter)
            chunk("<html><body>502 Bad Gateway</body></html>\n");
        if (*sent < tokens->size()) {
            chunk(piece(QJsonObject{{"content", tokens->at(*sent)}}, QJsonValue::Null));
            ++*sent;
            return;
        }
        timer->stop();
        chunk(piece(QJsonObject{}, QStringLiteral("stop")) + "data: [DONE]\n\n");
        chunk({});
    };
    connect(timer, &QTimer::timeout, socket, tick);
    connect(socket, &QTcpSocket::disconnected, timer, &QObject::deleteLater);
    tick();
    timer->start(1000 / std::max(1, model.tokensPerSecond));
}

LoopbackHttpServer::Response LoopbackHttpServer::modelResponse(const Request& request) const {
    const QByteArray authorization = request.header("Authorization");
    if (!model.acceptedKey.isNull() && authorization != "Bearer " + model.acceptedKey.toUtf8()) {
        return Response::json(
            401, R"({"error": {"message": "Incorrect API key provided", "code": "invalid_api_key"}})",
            model.delayMs);
    }
    if (request.path == "/v1/models" && request.method == "GET") {
        QJsonArray data;
        for (const QString& name : model.models)
            data.append(QJsonObject{{"id", name}, {"object", "model"}});
        return Response::json(200, QJsonDocument(QJsonObject{{"object", "list"}, {"data", data}}).toJson(),
                              model.delayMs);
    }
    if (request.path != "/v1/chat/completions" || request.method != "POST") {
        return Response::json(404, R"({"error": {"message": "Not found"}})", model.delayMs);
    }
    const QJsonArray messages = QJsonDocument::fromJson(request.body).object().value("messages").toArray();
    const QString system = messages.at(0).toObject().value("content").toString();
    const QString text = userText(request.body);
    QJsonObject answer;
    if (system.startsWith(QLatin1String("You are a proofreader."))) {
        const QString corrected = model.correct(text);
        QJsonArray changes;
        if (corrected != text)
            changes.append(QJsonObject{{"from", text}, {"to", corrected}});
        answer = {{"corrected", corrected}, {"changes", changes}};
    } else if (system.startsWith(QLatin1String("Offer 3 alternative phrasings"))) {
        QJsonArray variants;
        for (const auto& [style, phrasing] : model.rephrase(text))
            variants.append(QJsonObject{{"style", style}, {"text", phrasing}});
        answer = {{"variants", variants}};
    } else {
        return Response::json(400, R"({"error": {"message": "Unknown system prompt"}})", model.delayMs);
    }
    QString content = QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));
    if (answer.contains("corrected")) {
        // In the prompt's order, as models write it (an object's keys would come sorted): the text first.
        const QByteArray text = QJsonDocument(QJsonArray{answer["corrected"]}).toJson(QJsonDocument::Compact);
        const QByteArray changes = QJsonDocument(answer["changes"].toArray()).toJson(QJsonDocument::Compact);
        content = QString::fromUtf8("{\"corrected\": " + text.mid(1, text.size() - 2) +
                                    ", \"changes\": " + changes + "}");
    }
    if (model.tokensPerSecond > 0 && QJsonDocument::fromJson(request.body).object().value("stream").toBool())
        return Response::stream(content);
    return Response::json(200, chatEnvelope(content), model.delayMs);
}

}  // namespace quillet::test
