// A scripted HTTP transport on the virtual clock: canned replies, failures and silent servers.
#pragma once

#include <QList>
#include <deque>
#include <map>

#include "platform/HttpTransport.h"
#include "platform/Scheduler.h"

namespace quillet {

class FakeHttpTransport final : public HttpTransport {
public:
    /// What the next request gets.
    struct Script {
        enum class Kind { reply, fail, refuse, hang, stall, untrusted, stream };
        Kind kind = Kind::reply;
        int status = 200;
        QByteArray body;
        /// Virtual time before the answer arrives; for a stream, between its pieces.
        std::chrono::milliseconds delay{0};
        /// A stream's pieces, handed to the request's onData one by one.
        QList<QByteArray> pieces;
        /// A stream that ends in a transport failure after its last piece.
        bool cut = false;

        static Script reply(int status, QByteArray body = {}, std::chrono::milliseconds delay = {}) {
            return {Kind::reply, status, std::move(body), delay, {}, false};
        }
        /// No route to the server.
        static Script fail() { return {Kind::fail, 0, {}, {}, {}, false}; }
        /// Nothing listens at the server's address.
        static Script refuse() { return {Kind::refuse, 0, {}, {}, {}, false}; }
        /// Accepts and never answers: the request's own time-out ends it as a failure.
        static Script hang() { return {Kind::hang, 0, {}, {}, {}, false}; }
        /// Sends a byte now and then and never finishes: no idle time-out ever ends it.
        static Script stall() { return {Kind::stall, 0, {}, {}, {}, false}; }
        /// A 200 reply whose body arrives in `pieces`, one every `interval`; `cut` ends it in a failure.
        static Script stream(QList<QByteArray> pieces, std::chrono::milliseconds interval, bool cut = false) {
            Script s{Kind::stream, 200, {}, interval, {}, false};
            s.pieces = std::move(pieces);
            s.cut = cut;
            return s;
        }
        /// Presents a certificate that does not verify.
        static Script untrusted() { return {Kind::untrusted, 0, {}, {}, {}, false}; }
    };

    explicit FakeHttpTransport(Scheduler& scheduler) : m_scheduler(scheduler) {}

    HttpRequestId send(const HttpRequest& request, std::function<void(HttpReply)> done) override;
    void cancel(HttpRequestId id) override;

    /// Queued scripts answer requests in order; once they run out, `responder` answers (if set), else
    /// every request fails as if offline.
    void enqueue(Script script) { m_queue.push_back(std::move(script)); }
    std::function<Script(const HttpRequest&)> responder;

    /// Every request sent, in order.
    QList<HttpRequest> requests;
    /// Requests sent and neither answered nor cancelled yet.
    std::size_t inFlight() const { return m_open.size(); }
    int cancelled = 0;

private:
    void streamTo(HttpRequestId id, const HttpRequest& request, const Script& script,
                  std::function<void(HttpReply)> done, qsizetype next, QByteArray body);

    Scheduler& m_scheduler;
    std::deque<Script> m_queue;
    HttpRequestId m_nextId = 0;
    std::map<HttpRequestId, std::optional<TimerId>> m_open;  // the answer's timer, none for a stall
};

}  // namespace quillet
