// A streamed answer over a plain or TLS socket on the main thread (see the header for why).
#include "platform/linux/qt/StreamedHttpExchange.h"

#include <QSslConfiguration>
#include <QSslSocket>

namespace quillet {

namespace {

// A status line and headers past this are no answer a model server gives.
constexpr qsizetype maxHeadBytes = 64 * 1024;

bool secure(const QUrl& url) {
    return url.scheme() == QLatin1String("https");
}

// The next line of `in` without its CRLF (or bare LF), taken out of it; nullopt until one is whole.
std::optional<QByteArray> takeLine(QByteArray& in) {
    const qsizetype end = in.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    QByteArray line = in.left(end);
    in.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

}  // namespace

bool StreamedHttpExchange::reaches(const QUrl& url, const QNetworkProxy& proxy) {
    switch (proxy.type()) {
        case QNetworkProxy::NoProxy:
        case QNetworkProxy::DefaultProxy:
        case QNetworkProxy::Socks5Proxy:
            return true;
        case QNetworkProxy::HttpProxy:
            return secure(url);
        default:
            return false;
    }
}

StreamedHttpExchange::StreamedHttpExchange(const HttpRequest& request, const QNetworkProxy& proxy,
                                           std::function<void(HttpReply)> done, QObject* parent)
    : QObject(parent), m_request(request), m_done(std::move(done)) {
    const QUrl& url = m_request.url;
    m_idle.setSingleShot(true);
    m_idle.setInterval(int(m_request.timeout.count()));
    connect(&m_idle, &QTimer::timeout, this, [this] {
        finish(HttpReply::transportFailure(QStringLiteral("no data within the time-out"),
                                           HttpReply::Cause::timedOut));
    });
    if (secure(url)) {
        auto* socket = new QSslSocket(this);
        // Certificates are checked against the system's authorities and never waved through: no
        // error is ever ignored, so a failed check ends the handshake before the request is written.
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        socket->setSslConfiguration(tls);
        connect(socket, &QSslSocket::sslErrors, this, [this] { m_untrusted = true; });
        connect(socket, &QSslSocket::encrypted, this, &StreamedHttpExchange::sendRequest);
        m_socket = socket;
    } else {
        m_socket = new QTcpSocket(this);
        connect(m_socket, &QTcpSocket::connected, this, &StreamedHttpExchange::sendRequest);
    }
    m_socket->setProxy(proxy.type() == QNetworkProxy::DefaultProxy ? QNetworkProxy(QNetworkProxy::NoProxy)
                                                                   : proxy);
    // However fast the server writes, this side holds no more than this unread.
    m_socket->setReadBufferSize(socketBuffer);
    connect(m_socket, &QTcpSocket::readyRead, this, &StreamedHttpExchange::readMore);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &StreamedHttpExchange::failed);
    connect(m_socket, &QTcpSocket::disconnected, this, &StreamedHttpExchange::closed);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] { m_idle.start(); });
    m_idle.start();
    const quint16 port = quint16(url.port(secure(url) ? 443 : 80));
    if (auto* socket = qobject_cast<QSslSocket*>(m_socket))
        socket->connectToHostEncrypted(url.host(), port);
    else
        m_socket->connectToHost(url.host(), port);
}

StreamedHttpExchange::~StreamedHttpExchange() {
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

void StreamedHttpExchange::abandon() {
    m_over = true;
    m_done = nullptr;
    m_idle.stop();
    m_socket->disconnect(this);
    // abort(), not close(): nothing more is read or written, and the server sees the end now.
    m_socket->abort();
    m_in.clear();
    m_in.squeeze();
    m_body.clear();
    m_body.squeeze();
    deleteLater();
}

void StreamedHttpExchange::sendRequest() {
    const QUrl& url = m_request.url;
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();

    QByteArray head = m_request.method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto& [name, value] : m_request.headers)
        head += name + ": " + value + "\r\n";
    if (!m_request.body.isEmpty() || m_request.method == "POST" || m_request.method == "PUT")
        head += "Content-Length: " + QByteArray::number(m_request.body.size()) + "\r\n";
    head += "Accept-Encoding: identity\r\nConnection: close\r\n\r\n";
    m_socket->write(head + m_request.body);
}

void StreamedHttpExchange::readMore() {
    if (m_over)
        return;
    m_idle.start();
    m_in += m_socket->readAll();
    bool progress = true;
    while (progress && !m_over) {
        switch (m_stage) {
            case Stage::status:
                progress = parseStatus();
                break;
            case Stage::headers:
                progress = parseHeaders();
                break;
            case Stage::done:
                finish(HttpReply::response(m_status, std::move(m_body)));
                return;
            default:
                progress = parseBody();
                break;
        }
    }
    if (!m_over && m_stage != Stage::body && m_stage != Stage::chunkData && m_in.size() > maxHeadBytes)
        finish(HttpReply::transportFailure(QStringLiteral("oversized HTTP framing")));
}

bool StreamedHttpExchange::parseStatus() {
    const std::optional<QByteArray> line = takeLine(m_in);
    if (!line)
        return false;
    const QList<QByteArray> parts = line->split(' ');
    bool ok = false;
    m_status = parts.size() >= 2 ? parts[1].toInt(&ok) : 0;
    if (!line->startsWith("HTTP/1.") || !ok || m_status < 100 || m_status > 999) {
        finish(HttpReply::transportFailure(QStringLiteral("not an HTTP answer")));
        return false;
    }
    m_stage = Stage::headers;
    m_chunked = false;
    m_remaining = -1;
    return true;
}

bool StreamedHttpExchange::parseHeaders() {
    const std::optional<QByteArray> line = takeLine(m_in);
    if (!line)
        return false;
    if (!line->isEmpty()) {
        const qsizetype colon = line->indexOf(':');
        const QByteArray name = line->left(colon).trimmed().toLower();
        const QByteArray value = line->mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower().contains("chunked"))
            m_chunked = true;
        else if (name == "content-length")
            m_remaining = value.toLongLong();
        return true;
    }
    if (m_status < 200) {  // an interim answer; the real one follows
        m_stage = Stage::status;
        return true;
    }
    if (m_remaining > m_request.maxReplyBytes && !m_chunked) {
        finish(HttpReply::oversized(m_status));
        return false;
    }
    if (m_status == 204 || m_status == 304 || m_request.method == "HEAD" || (!m_chunked && m_remaining == 0))
        m_stage = Stage::done;
    else
        m_stage = m_chunked ? Stage::chunkSize : Stage::body;
    return true;
}

bool StreamedHttpExchange::parseBody() {
    switch (m_stage) {
        case Stage::chunkSize: {
            const std::optional<QByteArray> line = takeLine(m_in);
            if (!line)
                return false;
            bool ok = false;
            m_remaining = line->split(';').first().trimmed().toLongLong(&ok, 16);
            if (!ok || m_remaining < 0) {
                finish(HttpReply::transportFailure(QStringLiteral("broken chunked body")));
                return false;
            }
            m_stage = m_remaining == 0 ? Stage::trailers : Stage::chunkData;
            return true;
        }
        case Stage::chunkData: {
            if (m_remaining > 0) {
                const QByteArray piece = m_in.left(m_remaining);
                m_in.remove(0, piece.size());
                m_remaining -= piece.size();
                deliver(piece);
                if (m_remaining > 0 || m_over)
                    return false;
            }
            const std::optional<QByteArray> end = takeLine(m_in);  // the CRLF after the data
            if (!end)
                return false;
            m_stage = Stage::chunkSize;
            return true;
        }
        case Stage::trailers: {
            const std::optional<QByteArray> line = takeLine(m_in);
            if (!line)
                return false;
            if (line->isEmpty())
                m_stage = Stage::done;
            return true;
        }
        default: {  // Stage::body: sized, or until the connection closes
            if (m_in.isEmpty())
                return false;
            const QByteArray piece =
                m_remaining < 0 ? std::exchange(m_in, QByteArray()) : m_in.left(m_remaining);
            m_in.remove(0, m_remaining < 0 ? 0 : piece.size());
            if (m_remaining > 0)
                m_remaining -= piece.size();
            deliver(piece);
            if (m_remaining == 0)
                m_stage = Stage::done;
            return !m_over && m_stage == Stage::done;
        }
    }
}

void StreamedHttpExchange::deliver(const QByteArray& piece) {
    if (piece.isEmpty())
        return;
    m_body += piece;
    if (m_body.size() > m_request.maxReplyBytes) {
        finish(HttpReply::oversized(m_status));
        return;
    }
    if (m_request.onData && m_status == 200)
        m_request.onData(piece);
}

void StreamedHttpExchange::closed() {
    if (m_over)
        return;
    readMore();  // what came with the end
    if (m_over)
        return;
    if (m_stage == Stage::body && m_remaining < 0)
        finish(HttpReply::response(m_status, std::move(m_body)));
    else
        finish(HttpReply::transportFailure(QStringLiteral("connection closed before the answer ended")));
}

void StreamedHttpExchange::failed() {
    if (m_over)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return closed();
    if (m_untrusted)
        return finish(HttpReply::untrusted(m_socket->errorString()));
    finish(
        HttpReply::transportFailure(m_socket->errorString(), error == QAbstractSocket::ConnectionRefusedError
                                                                 ? HttpReply::Cause::refused
                                                                 : HttpReply::Cause::network));
}

void StreamedHttpExchange::finish(HttpReply reply) {
    if (m_over)
        return;
    std::function<void(HttpReply)> done = std::move(m_done);
    abandon();
    if (done)
        done(std::move(reply));
}

}  // namespace quillet
