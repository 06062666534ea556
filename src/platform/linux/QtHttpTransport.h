// The HTTP transport on Qt Network: one access manager for the process, keep-alive, HTTP/2, strict TLS.
#pragma once

#include <QNetworkAccessManager>

#include "platform/HttpTransport.h"

namespace quillet {

class QtHttpTransport final : public HttpTransport {
public:
    /// Make one per process, on the main thread: connections are pooled per manager.
    QtHttpTransport();
    ~QtHttpTransport() override;

    /// Replies in flight when the transport is destroyed are dropped without calling `done`.
    void send(const HttpRequest& request, std::function<void(HttpReply)> done) override;

private:
    QNetworkAccessManager m_manager;
};

}  // namespace quillet
