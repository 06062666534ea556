// A scripted HTTP transport on the virtual clock: canned replies, failures and silent servers.
#pragma once

#include <QList>
#include <deque>

#include "platform/HttpTransport.h"

namespace quillet {

class Scheduler;

class FakeHttpTransport final : public HttpTransport {
public:
    /// What the next request gets.
    struct Script {
        enum class Kind { reply, fail, hang };
        Kind kind = Kind::reply;
        int status = 200;
        QByteArray body;
        /// Virtual time before the answer arrives.
        std::chrono::milliseconds delay{0};

        static Script reply(int status, QByteArray body = {}, std::chrono::milliseconds delay = {}) {
            return {Kind::reply, status, std::move(body), delay};
        }
        static Script fail() { return {Kind::fail, 0, {}, {}}; }
        /// Accepts and never answers: the request's own time-out ends it as a failure.
        static Script hang() { return {Kind::hang, 0, {}, {}}; }
    };

    explicit FakeHttpTransport(Scheduler& scheduler) : m_scheduler(scheduler) {}

    void send(const HttpRequest& request, std::function<void(HttpReply)> done) override;

    /// Queued scripts answer requests in order; once they run out, `responder` answers (if set), else
    /// every request fails as if offline.
    void enqueue(Script script) { m_queue.push_back(std::move(script)); }
    std::function<Script(const HttpRequest&)> responder;

    /// Every request sent, in order.
    QList<HttpRequest> requests;

private:
    Scheduler& m_scheduler;
    std::deque<Script> m_queue;
};

}  // namespace quillet
