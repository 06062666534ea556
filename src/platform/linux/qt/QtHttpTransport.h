// The HTTP transport on Qt Network: one access manager for the process, keep-alive, HTTP/2, strict TLS.
#pragma once

#include <QNetworkAccessManager>
#include <QPointer>
#include <map>

#include "platform/HttpTransport.h"

namespace quillet {

class QtHttpTransport final : public HttpTransport {
public:
    /// Make one per process, on the main thread: connections are pooled per manager.
    QtHttpTransport();
    ~QtHttpTransport() override;

    /// Replies in flight when the transport is destroyed are dropped without calling `done`.
    HttpRequestId send(const HttpRequest& request, std::function<void(HttpReply)> done) override;
    void cancel(HttpRequestId id) override;

private:
    QNetworkAccessManager m_manager;
    HttpRequestId m_nextId = 0;
    // The reply of each request under way, or the context of an answer about to be given without one.
    std::map<HttpRequestId, QPointer<QObject>> m_open;
};

}  // namespace quillet
