// A scripted HTTP transport on the virtual clock: canned replies, failures and silent servers.
#include "platform/fake/FakeHttpTransport.h"

namespace quillet {

HttpRequestId FakeHttpTransport::send(const HttpRequest& request, std::function<void(HttpReply)> done) {
    requests.append(request);
    const HttpRequestId id = ++m_nextId;
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
    } else if (script.kind == Script::Kind::stream) {
        streamTo(id, request, script, std::move(done), 0, {});
        return id;
    } else if (script.kind == Script::Kind::stall) {
        m_open[id] = std::nullopt;
        return id;
    } else if (script.kind == Script::Kind::hang) {
        reply = HttpReply::transportFailure(QStringLiteral("timed out"), HttpReply::Cause::timedOut);
        delay = request.timeout;
    } else if (script.kind == Script::Kind::fail) {
        reply = HttpReply::transportFailure(QStringLiteral("network unreachable"));
    } else if (script.kind == Script::Kind::refuse) {
        reply = HttpReply::transportFailure(QStringLiteral("connection refused"), HttpReply::Cause::refused);
    } else if (script.kind == Script::Kind::untrusted) {
        reply = HttpReply::untrusted(QStringLiteral("self-signed certificate"));
    } else if (script.body.size() > request.maxReplyBytes) {
        reply = HttpReply::oversized(script.status);
    } else {
        reply = HttpReply::response(script.status, script.body);
    }
    m_open[id] = m_scheduler.after(delay, [this, id, done = std::move(done), reply = std::move(reply)] {
        m_open.erase(id);
        done(reply);
    });
    return id;
}

void FakeHttpTransport::streamTo(HttpRequestId id, const HttpRequest& request, const Script& script,
                                 std::function<void(HttpReply)> done, qsizetype next, QByteArray body) {
    m_open[id] = m_scheduler.after(script.delay, [=, this]() mutable {
        if (next < script.pieces.size()) {
            body += script.pieces[next];
            if (request.onData)
                request.onData(script.pieces[next]);
            // The piece's handler may have cancelled the request.
            if (m_open.count(id))
                streamTo(id, request, script, std::move(done), next + 1, std::move(body));
            return;
        }
        m_open.erase(id);
        done(script.cut ? HttpReply::transportFailure(QStringLiteral("connection closed"))
                        : HttpReply::response(200, std::move(body)));
    });
}

void FakeHttpTransport::cancel(HttpRequestId id) {
    const auto it = m_open.find(id);
    if (it == m_open.end())
        return;
    if (it->second)
        m_scheduler.cancel(*it->second);
    m_open.erase(it);
    ++cancelled;
}

}  // namespace quillet
