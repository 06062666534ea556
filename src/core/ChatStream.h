// A chat answer sent as an event stream ("data: {...}" lines): the text it adds up to, piece by piece,
// and whether the server finished it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace quillet {

class ChatStream {
public:
    enum class State {
        open,      // more may come; a body that ends here was cut off
        finished,  // the server said the answer is whole
        broken,    // something that is no event stream, or an event that is no chat piece
    };

    /// Takes the next bytes of the body, split anywhere (inside a line, inside a character); returns
    /// the text the answer grew by. Nothing is read once the stream is finished or broken.
    QString feed(QByteArrayView bytes);

    State state() const { return m_state; }
    /// The answer's text so far: the first choice's pieces, joined.
    const QString& content() const { return m_content; }
    /// The reason a server gave in an error event that broke the stream; empty when it gave none.
    const QString& serverError() const { return m_serverError; }

    /// Whether a reply body is an event stream rather than one JSON answer (or something else), from
    /// its first bytes; nullopt while they are too few to tell.
    static std::optional<bool> isEventStream(QByteArrayView start);

private:
    void line(QByteArrayView text);
    void dispatch();

    State m_state = State::open;
    QByteArray m_pending;  // an unfinished line
    QByteArray m_data;     // the current event's data lines
    bool m_hasData = false;
    QString m_content;
    QString m_grown;
    QString m_serverError;
};

}  // namespace quillet
