// A stopped answer lets go of its connection: against a server on a thread of its own that writes
// chat events for ever, as fast as the socket takes them, the transport must close the connection at
// once when the answer is cancelled or passes its size cap, not when the server tires.
#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QTimer>
#include <atomic>
#include <string>
#include <thread>

#include "platform/linux/qt/QtHttpTransport.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

// One connection at a time, answered with `data: {"choices":[{"delta":{"content":"la "}}]}` until the
// client goes away. Its thread never waits on the test's event loop.
class FloodServer {
public:
    FloodServer() {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listen, 4);
        socklen_t size = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~FloodServer() {
        m_stopping = true;
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        if (const int fd = m_client.load(); fd >= 0)
            shutdown(fd, SHUT_RDWR);
        m_thread.join();
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(m_port)); }
    /// The client closed the connection the server was writing to.
    bool cut() const { return m_cut; }
    long long written() const { return m_written; }

private:
    void run() {
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0)
            return;
        m_client = fd;
        std::string request;
        char chunk[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            request.append(chunk, size_t(n));
        }
        const std::string event = "data: {\"choices\":[{\"delta\":{\"content\":\"la \"}}]}\n\n";
        char size[16];
        snprintf(size, sizeof size, "%zx\r\n", event.size());
        const std::string piece = size + event + "\r\n";
        bool open = write(fd,
                          "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                          "Transfer-Encoding: chunked\r\n\r\n");
        while (open && !m_stopping)
            open = write(fd, piece);
        if (!open)
            m_cut = true;
        close(fd);
    }

    bool write(int fd, const std::string& data) {
        for (size_t done = 0; done < data.size();) {
            const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += size_t(n);
            m_written += n;
        }
        return true;
    }

    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<int> m_client = -1;
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_cut = false;
    std::atomic<long long> m_written = 0;
};

HttpRequest endlessRequest(const FloodServer& server) {
    HttpRequest request;
    request.method = "POST";
    request.url = server.url();
    request.headers = {{"Content-Type", "application/json"}};
    request.body = R"({"stream": true})";
    request.timeout = 30s;
    request.onData = [](const QByteArray&) {};  // a streamed answer, as every chat answer is
    return request;
}

TEST(StoppedAnswerConnectionTest, ACancelledAnswerClosesItsConnectionAtOnce) {
    FloodServer server;
    QtHttpTransport transport;
    HttpRequest request = endlessRequest(server);
    qint64 received = 0;
    std::optional<HttpRequestId> id;
    bool cancelled = false;
    request.onData = [&](const QByteArray& piece) {
        received += piece.size();
        // As the client does: the stop comes from the event loop, not from inside the call.
        if (received > 64 * 1024 && !cancelled) {
            cancelled = true;
            QTimer::singleShot(0, [&] { transport.cancel(*id); });
        }
    };
    id = transport.send(request, [](HttpReply) { ADD_FAILURE() << "a cancelled request answers nothing"; });
    ASSERT_TRUE(test::waitUntil([&] { return cancelled; }, 10000)) << received;
    EXPECT_TRUE(test::waitUntil([&] { return server.cut(); }, 2000))
        << "still open after the cancel; the server wrote " << server.written() << " bytes";
}

TEST(StoppedAnswerConnectionTest, AnAnswerPastItsCapClosesItsConnectionAtOnce) {
    FloodServer server;
    QtHttpTransport transport;
    HttpRequest request = endlessRequest(server);
    request.maxReplyBytes = 256 * 1024;
    const auto reply = test::answerOf<HttpReply>([&](auto done) { transport.send(request, done); }, 10000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->kind, HttpReply::Kind::tooLarge);
    EXPECT_TRUE(test::waitUntil([&] { return server.cut(); }, 2000))
        << "still open past the cap; the server wrote " << server.written() << " bytes";
}

}  // namespace
