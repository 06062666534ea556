// One application of the compatibility suite on the private desktop: started from its row of
// tools/compat/apps.txt on the suite's documents, its windows found, clicked into and read as a
// person (or a screen reader) would.
#pragma once

#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#include "compat/CompatApps.h"

namespace quillet::test {

/// Caret stops of `text`: one per grapheme cluster, as Shift+Right moves.
int caretStops(const QString& text);

class AppUnderTest {
public:
    explicit AppUnderTest(AppProfile app) : m_app(std::move(app)) {}
    ~AppUnderTest();
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;

    // Starts the application's command in `process`, with `profileName` as its profile folder and
    // `page` as its web page. Leading NAME=value words of the command go into its environment.
    bool launch(QProcess& process, const QString& profileName, const QString& page);
    void stop(QProcess& process);
    // The processes a start made: those of the process group `group`.
    static QStringList groupPids(qint64 group);
    QStringList groupPids() { return groupPids(app.processId()); }
    // The visible window of the process group `group` (titled as the profile says, where it says).
    QString windowOf(qint64 group, int timeoutMs);
    QString appWindow(int timeoutMs = 10000);
    static QRect geometryOf(const QString& id);
    QRect windowGeometry() { return geometryOf(appWindow()); }
    // Where the single-line field lies, as accessibility says, in screen coordinates: GTK 4 answers
    // relative to its window, which is then added.
    std::optional<QRect> fieldRect(qint64 pid, const QRect& windowFrame);
    // A click into the text: the single-line field itself, else the middle of the window, where every
    // other application of the suite has its text. `clicking` is told just before the click goes out,
    // after the window came to the front.
    void clickIntoText(const QString& windowId, qint64 pid, const std::function<void()>& clicking = {});
    // The text, read over accessibility, or where accessibility cannot see it: from the file the
    // application keeps it in or saves it to, or from the window's title its page writes it into;
    // its selection then from the title or the desktop's selection buffer.
    std::optional<QString> text(bool selection = false);
    // The HTML of the editor of a page whose title carries it.
    std::optional<QString> pageHtml() { return titleField(3); }
    QString shown(const std::optional<QString>& t);
    // A text that should have read `want`: from where the two part, when that is far in.
    QString shown(const std::optional<QString>& t, const QString& want);

    QString docPath() { return dir.filePath("document.txt"); }
    QString pagePath(const QString& name = "page.html") { return dir.filePath(name); }
    QString mirrorPath() { return dir.filePath("mirror.txt"); }
    void writeDocuments();

    QTemporaryDir dir;
    QProcess app;
    QProcess second;
    QString window;
    qint64 appPid = 0;  // the process that owns the window (a launcher's child, for some)

protected:
    // The first (the text), second (the selection) or third (the HTML) field of the window title
    // "quillet:TEXT:SELECTION:HTML" that a page of the suite keeps.
    std::optional<QString> titleField(int field);

    AppProfile m_app;
};

}  // namespace quillet::test
