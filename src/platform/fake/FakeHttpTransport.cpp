#include "platform/fake/FakeHttpTransport.h"

#include "platform/Scheduler.h"

namespace quillet {

void FakeHttpTransport::send(const HttpRequest& request, std::function<void(HttpReply)> done) {
    requests.append(request);
    Script script;
    if (!m_queue.empty()) {
        script = std::move(m_queue.front());
        m_queue.pop_front();
    } else if (responder) {
        script = responder(request);
    } else {
        script = Script::fail();
    }

    const QString scheme = request.url.scheme();
    HttpReply reply;
    std::chrono::milliseconds delay = script.delay;
    if (!request.url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        reply = HttpReply::transportFailure(QStringLiteral("unsupported URL"));
        delay = {};
    } else if (script.kind == Script::Kind::hang) {
        reply = HttpReply::transportFailure(QStringLiteral("timed out"));
        delay = request.timeout;
    } else if (script.kind == Script::Kind::fail) {
        reply = HttpReply::transportFailure(QStringLiteral("connection refused"));
    } else if (script.body.size() > request.maxReplyBytes) {
        reply = HttpReply::oversized(script.status);
    } else {
        reply = HttpReply::response(script.status, script.body);
    }
    m_scheduler.after(delay, [done = std::move(done), reply = std::move(reply)] { done(reply); });
}

}  // namespace quillet
