// The real program in the private desktop session, as the end-to-end tests drive it: started after
// its key and its model server are in place, read and pressed over AT-SPI, its floating windows
// found by their size.
#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <optional>

#include "support/LoopbackHttpServer.h"

struct _XDisplay;

namespace quillet::test {

/// The sentence every end-to-end test has corrected, and its correction.
extern const QString kMistaken;
extern const QString kMistakeFixed;
/// What the loopback model makes of any text: "Their is" and "mistak " mended.
QString mendMistakes(QString text);

/// Quillet's floating windows, told apart by their size.
enum class Surface { icon, panel, toast };
/// Where the visible window of that kind stands, if one does.
std::optional<QRect> surfaceShown(Surface surface);
/// Whether the icon is mapped, read in this process (quick enough to time the icon by).
bool iconMapped();

/// Counts the bells any program rings on the display, as a person hears Quillet's beep.
class Bells {
public:
    Bells();
    ~Bells();
    Bells(const Bells&) = delete;
    Bells& operator=(const Bells&) = delete;
    int count();

private:
    ::_XDisplay* m_display;
    int m_eventBase = 0;
    int m_count = 0;
};

/// The process holding Quillet's name on the session bus; 0 when nobody does.
qint64 busOwner();

/// The text a person is writing in the application `pid` (its focused editable text, else its longest
/// showing one; with `line`, of those without a line break), or with `selection` the part of it
/// selected; empty when nothing can be read.
std::optional<QString> fieldText(qint64 pid, bool selection = false, bool line = false);

/// The program with a model server that answers as `mendMistakes` does and only to `apiKey`,
/// which the session's keyring holds; the preferences start from nothing but the server's address.
class QuilletUnderTest {
public:
    static const QString apiKey;

    QuilletUnderTest();
    ~QuilletUnderTest();
    QuilletUnderTest(const QuilletUnderTest&) = delete;
    QuilletUnderTest& operator=(const QuilletUnderTest&) = delete;

    /// Whether the keyring took the key.
    bool ready() const { return m_ready; }
    /// Starts it (with `args`) and waits until it answers on the accessibility bus.
    bool start(const QStringList& args = {});
    /// Starts it as at login, where no tray is: up once its name is on the bus and its settings,
    /// which it then opens, are on screen.
    bool startAtLogin();
    /// Ends it at once, as a crash or a kill would.
    void kill();
    qint64 pid() const { return process.processId(); }
    /// Whether any of its widgets reads `text`.
    bool shows(const QString& text) const;
    /// Presses the button named `name` (or, with "--press-described", described so) over AT-SPI.
    bool press(const QString& name, const QString& how = QStringLiteral("--press")) const;
    /// Requests for a chat completion the server has seen.
    int chatRequests() const;

    LoopbackHttpServer server;
    QProcess process;

private:
    bool m_ready = false;
};

}  // namespace quillet::test
