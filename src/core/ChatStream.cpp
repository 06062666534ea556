// Reads a streamed chat answer line by line into the text it adds up to.
#include "core/ChatStream.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillet {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<bool> ChatStream::isEventStream(QByteArrayView start) {
    qsizetype first = 0;
    while (first < start.size() && isBlank(start[first]))
        ++first;
    const QByteArrayView head = start.sliced(first);
    if (head.isEmpty())
        return std::nullopt;
    if (head.startsWith(':'))
        return true;
    // Every line of a stream names its field; anything else is read as one answer, and judged so.
    bool undecided = false;
    for (const QByteArrayView field : {"data:", "event:", "id:", "retry:"}) {
        if (head.startsWith(field))
            return true;
        if (field.startsWith(head))
            undecided = true;
    }
    return undecided ? std::nullopt : std::optional<bool>(false);
}

QString ChatStream::feed(QByteArrayView bytes) {
    m_grown.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size() && m_state == State::open; ++i) {
        if (bytes[i] != '\n')
            continue;
        if (m_pending.isEmpty()) {
            line(bytes.sliced(start, i - start));
        } else {
            m_pending.append(bytes.sliced(start, i - start));
            line(m_pending);
            m_pending.clear();
        }
        start = i + 1;
    }
    if (m_state == State::open)
        m_pending.append(bytes.sliced(start));
    return std::exchange(m_grown, QString());
}

void ChatStream::line(QByteArrayView text) {
    if (text.endsWith('\r'))
        text.chop(1);
    if (text.isEmpty()) {
        dispatch();
        return;
    }
    if (text.startsWith(':'))
        return;  // a comment: servers send them to keep the connection open
    const qsizetype colon = text.indexOf(':');
    const QByteArrayView field = colon < 0 ? text : text.first(colon);
    QByteArrayView value = colon < 0 ? QByteArrayView() : text.sliced(colon + 1);
    if (value.startsWith(' '))
        value = value.sliced(1);
    if (field == "data") {
        if (m_hasData)
            m_data.append('\n');
        m_data.append(value);
        m_hasData = true;
    } else if (field != "event" && field != "id" && field != "retry") {
        // Not a line of an event stream: an HTML error page, a proxy's text, a broken server.
        m_state = State::broken;
    }
}

void ChatStream::dispatch() {
    if (!m_hasData)
        return;
    const QByteArray data = std::exchange(m_data, QByteArray());
    m_hasData = false;
    if (data == "[DONE]") {
        m_state = State::finished;
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        m_state = State::broken;
        return;
    }
    // A server that fails mid-way says so in an event of its own ({"error": {"message": ...}}, or
    // the reason alone): the answer is unusable, and the reason is the user's to read.
    if (const QJsonValue failure = document.object().value(QStringLiteral("error")); !failure.isUndefined()) {
        m_serverError = failure.isString() ? failure.toString()
                                           : failure.toObject().value(QStringLiteral("message")).toString();
        m_state = State::broken;
        return;
    }
    const QJsonValue choices = document.object().value(QStringLiteral("choices"));
    if (choices.isUndefined() || choices.isNull())
        return;  // bookkeeping, such as a closing usage report
    if (!choices.isArray()) {
        m_state = State::broken;
        return;
    }
    const QJsonArray list = choices.toArray();
    if (list.isEmpty())
        return;
    const QJsonObject choice = list.first().toObject();
    const QJsonValue content =
        choice.value(QStringLiteral("delta")).toObject().value(QStringLiteral("content"));
    if (content.isString()) {
        m_content += content.toString();
        m_grown += content.toString();
    } else if (!content.isUndefined() && !content.isNull()) {
        m_state = State::broken;
        return;
    }
    // Some servers end with the reason alone and never send [DONE].
    const QJsonValue reason = choice.value(QStringLiteral("finish_reason"));
    if (reason.isString() && !reason.toString().isEmpty())
        m_state = State::finished;
}

}  // namespace quillet
