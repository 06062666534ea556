// One HTTP exchange at a time, answered on the main thread: the seam under the language-model client.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <functional>

namespace quillet {

struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    /// The longest wait for data (an idle time-out, not a limit on the whole exchange).
    std::chrono::milliseconds timeout{30000};
    /// Replies whose body grows past this many bytes are abandoned and answered as `tooLarge`.
    qint64 maxReplyBytes = 4 * 1024 * 1024;
    /// When set, called on the main thread with each piece of a 200 reply's body as it arrives, before
    /// `done` (which still gets the whole body). It must not cancel the request from inside the call.
    std::function<void(const QByteArray& piece)> onData;

    /// The value of the first header named `name` (case-insensitive), or an empty array.
    QByteArray header(const QByteArray& name) const;
};

struct HttpReply {
    enum class Kind {
        response,     // the server answered; status and body hold its answer
        failure,      // no answer: no connection, time-out, cut-off transfer, bad URL
        tooLarge,     // the body passed maxReplyBytes; the status is kept, the body is not
        certificate,  // the server's TLS certificate could not be verified; nothing was sent
    };
    /// Why a `failure` got no answer: the user is told which.
    enum class Cause {
        network,   // no route, no name, a reset or cut-off connection
        refused,   // the address was reached and nothing listens there
        timedOut,  // connected, and the server went silent past the request's time-out
    };
    Kind kind = Kind::failure;
    Cause cause = Cause::network;
    int status = 0;
    QByteArray body;
    /// A technical description of a failure, for tests and diagnostics; never shown to the user.
    QString failure;

    static HttpReply response(int status, QByteArray body) {
        return {Kind::response, Cause::network, status, std::move(body), {}};
    }
    static HttpReply transportFailure(QString why, Cause cause = Cause::network) {
        return {Kind::failure, cause, 0, {}, std::move(why)};
    }
    static HttpReply oversized(int status) {
        return {Kind::tooLarge, Cause::network, status, {}, QStringLiteral("reply too large")};
    }
    static HttpReply untrusted(QString why) {
        return {Kind::certificate, Cause::network, 0, {}, std::move(why)};
    }
};

/// Names one request given to a transport, for cancel().
using HttpRequestId = std::uint64_t;

class HttpTransport {
public:
    HttpTransport() = default;
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;
    virtual ~HttpTransport() = default;

    /// Sends `request` and calls `done` exactly once, later, on the main thread, with the whole reply
    /// or the failure. Only http and https URLs are fetched; TLS certificates are always verified, and a
    /// request whose certificate fails is never sent. `done` may be called after the caller is gone, so
    /// it must hold its owner weakly.
    virtual HttpRequestId send(const HttpRequest& request, std::function<void(HttpReply)> done) = 0;
    /// Abandons a request: its transfer stops and its `done` is never called. Unknown and finished
    /// requests are ignored.
    virtual void cancel(HttpRequestId id) = 0;
};

}  // namespace quillet
