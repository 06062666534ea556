// One streamed HTTP/1.1 exchange read on the main thread, over a socket of its own. Qt Network reads
// its replies on a thread of its own that a server writing without pause keeps from ever seeing an
// abort; here the reading returns to the event loop after each batch, and a stop closes the socket
// there and then.
#pragma once

#include <QByteArray>
#include <QNetworkProxy>
#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/HttpTransport.h"

class QTcpSocket;

namespace quillet {

class StreamedHttpExchange final : public QObject {
    Q_OBJECT

public:
    /// Starts at once; `done` is called once, later, unless abandon() comes first. The connection is
    /// closed when the answer ends: no keep-alive, no HTTP/2.
    StreamedHttpExchange(const HttpRequest& request, const QNetworkProxy& proxy,
                         std::function<void(HttpReply)> done, QObject* parent);
    ~StreamedHttpExchange() override;

    /// Closes the connection now, without a word to `done`, and deletes this exchange later.
    void abandon();

    /// Whether a request through `proxy` can go this way: directly, over SOCKS, or tunnelled through
    /// an HTTP proxy for https. The others take the proxy's own HTTP, which Qt Network speaks.
    static bool reaches(const QUrl& url, const QNetworkProxy& proxy);

    /// The most bytes the socket holds unread: what a flooding server can make this side keep.
    static constexpr qint64 socketBuffer = 64 * 1024;

private:
    enum class Stage { status, headers, body, chunkSize, chunkData, trailers, done };

    void sendRequest();
    void readMore();
    // Each returns false when it needs more bytes than have come.
    bool parseStatus();
    bool parseHeaders();
    bool parseBody();
    void deliver(const QByteArray& piece);
    void closed();
    void failed();
    void finish(HttpReply reply);

    HttpRequest m_request;
    std::function<void(HttpReply)> m_done;
    QTcpSocket* m_socket = nullptr;
    QTimer m_idle;
    Stage m_stage = Stage::status;
    QByteArray m_in;
    int m_status = 0;
    bool m_chunked = false;
    qint64 m_remaining = -1;  // of the body or the chunk; -1: until the connection closes
    QByteArray m_body;
    bool m_untrusted = false;
    bool m_over = false;
};

}  // namespace quillet
