// The HTTP transport on Qt Network: one access manager for the process, keep-alive, HTTP/2, strict TLS.
// Streamed answers go over a socket of their own on the main thread, so that a stop closes it at once.
#include "platform/linux/qt/QtHttpTransport.h"

#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <memory>

#include "platform/linux/qt/StreamedHttpExchange.h"

namespace quillet {

namespace {

bool fetchable(const QUrl& url) {
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

// Errors of the connection itself (refused, reset, cut off, timed out, TLS, proxy) and of the HTTP
// framing: whatever status line came before them, the reply is not a whole answer.
bool isTransportError(QNetworkReply::NetworkError error) {
    if (error == QNetworkReply::NoError)
        return false;
    if (error < QNetworkReply::ContentAccessDenied)
        return true;  // network and proxy layers
    // The content, protocol and server classes also name plain statuses (400, 404, 429, 500): those
    // are answers. Only a broken stream is not.
    return error == QNetworkReply::ProtocolFailure;
}

// Which of the connection's failures the user is told about. Every abort but the transfer time-out's
// is this transport's own and never reaches here (a cancel drops the reply's handlers first, a reply
// too large is answered as such).
HttpReply::Cause causeOf(QNetworkReply::NetworkError error) {
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
            return HttpReply::Cause::refused;
        case QNetworkReply::OperationCanceledError:
        case QNetworkReply::TimeoutError:
            return HttpReply::Cause::timedOut;
        default:
            return HttpReply::Cause::network;
    }
}

}  // namespace

QtHttpTransport::QtHttpTransport() {
    // Redirects are not followed: the Authorization header must never travel to another address.
    m_manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

QtHttpTransport::~QtHttpTransport() {
    while (!m_open.empty())
        cancel(m_open.begin()->first);
}

HttpRequestId QtHttpTransport::send(const HttpRequest& request, std::function<void(HttpReply)> done) {
    const HttpRequestId id = ++m_nextId;
    if (!fetchable(request.url)) {
        auto* context = new QObject(&m_manager);
        m_open[id] = context;
        QTimer::singleShot(0, context, [this, id, context, done = std::move(done)] {
            m_open.erase(id);
            context->deleteLater();
            done(HttpReply::transportFailure(QStringLiteral("unsupported URL")));
        });
        return id;
    }

    if (request.onData) {
        // Read where a stop reaches it at once (see StreamedHttpExchange), whenever the proxy allows.
        QNetworkProxy proxy = m_manager.proxy();
        if (proxy.type() == QNetworkProxy::DefaultProxy)
            proxy = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(request.url)).value(0);
        if (StreamedHttpExchange::reaches(request.url, proxy)) {
            m_open[id] = new StreamedHttpExchange(
                request, proxy,
                [this, id, done = std::move(done)](HttpReply reply) {
                    m_open.erase(id);
                    done(std::move(reply));
                },
                &m_manager);
            return id;
        }
    }

    QNetworkRequest qrequest(request.url);
    for (const auto& [name, value] : request.headers)
        qrequest.setRawHeader(name, value);
    qrequest.setTransferTimeout(int(request.timeout.count()));
    qrequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, true);
    // Certificate checks stay on whatever the defaults say; no sslErrors handler ever ignores one,
    // so a failed check ends the exchange during the handshake, before the request is written.
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    qrequest.setSslConfiguration(tls);

    QNetworkReply* reply = m_manager.sendCustomRequest(qrequest, request.method, request.body);
    // Receives this transport's signals, so that cancel() drops them without touching Qt's own.
    auto* watcher = new QObject(reply);
    m_open[id] = watcher;

    struct State {
        QByteArray body;
        bool tooLarge = false;
        bool untrusted = false;
    };
    auto state = std::make_shared<State>();
    const qint64 cap = request.maxReplyBytes;

    auto refuse = [reply, state] {
        state->tooLarge = true;
        state->body.clear();
        reply->abort();
    };
    // Only noted: the errors are never ignored, so the handshake fails right after.
    QObject::connect(reply, &QNetworkReply::sslErrors, watcher, [state] { state->untrusted = true; });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, watcher, [reply, state, cap, refuse] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!state->tooLarge && length.isValid() && length.toLongLong() > cap)
            refuse();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, watcher,
                     [reply, state, cap, refuse, onData = request.onData] {
                         if (state->tooLarge)
                             return;
                         const QByteArray piece = reply->readAll();
                         state->body += piece;
                         if (state->body.size() > cap) {
                             refuse();
                             return;
                         }
                         if (onData && !piece.isEmpty() &&
                             reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200)
                             onData(piece);
                     });
    QObject::connect(
        reply, &QNetworkReply::finished, reply, [this, id, reply, state, cap, done = std::move(done)] {
            m_open.erase(id);
            reply->deleteLater();
            const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
            if (state->tooLarge) {
                done(HttpReply::oversized(status));
                return;
            }
            if (state->untrusted) {
                done(HttpReply::untrusted(reply->errorString()));
                return;
            }
            if (isTransportError(reply->error()) || status <= 0) {
                done(HttpReply::transportFailure(reply->errorString(), causeOf(reply->error())));
                return;
            }
            state->body += reply->readAll();
            if (state->body.size() > cap) {
                done(HttpReply::oversized(status));
                return;
            }
            done(HttpReply::response(status, std::move(state->body)));
        });
    return id;
}

void QtHttpTransport::cancel(HttpRequestId id) {
    const auto it = m_open.find(id);
    if (it == m_open.end())
        return;
    const QPointer<QObject> watcher = it->second;
    m_open.erase(it);
    if (!watcher)
        return;
    if (auto* exchange = qobject_cast<StreamedHttpExchange*>(watcher.data())) {
        exchange->abandon();
        return;
    }
    auto* reply = qobject_cast<QNetworkReply*>(watcher->parent());
    // The watcher goes first: the abort would otherwise report itself as finished.
    delete watcher;
    if (reply) {
        reply->abort();
        reply->deleteLater();
    }
}

}  // namespace quillet
