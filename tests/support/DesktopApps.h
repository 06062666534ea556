// Real applications for the tests that run in the private desktop session, driven as a person would.
#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace quillet::test {

/// Runs xdotool with `args` while the event loop runs; returns its standard output (trimmed),
/// empty on failure.
QString xdotool(const QStringList& args);

/// The X11 id of the visible window titled exactly `title`, waiting up to `timeoutMs`; empty if none.
QString visibleWindow(const QString& title, int timeoutMs = 10000);
/// The X11 id of the first visible window of process `pid`, waiting up to `timeoutMs`; empty if none.
QString windowOf(qint64 pid, int timeoutMs = 10000);
/// Where the window with X11 id `id` is on screen, from xdotool; empty when it cannot tell.
QRect windowGeometry(const QString& id);
/// Brings that window to the front, as a click on it would; false when it has none.
bool activateWindowOf(qint64 pid, int timeoutMs = 10000);
/// Quillet opens its settings at start on a desktop without a tray (as the test session is): waits
/// for that window and closes it with Escape, as a person would. False when it never came or stayed.
bool closeStartupSettings(int timeoutMs = 15000);

/// Presses Super+Shift+G until `done` holds, as a person presses again when nothing happened (a
/// program that has just started may not have its shortcut yet); false when it never did.
bool pressHotkeyUntil(const std::function<bool()>& done, int attempts = 3);
/// Writes the mistaken sentence to `path` and opens it in mousepad, run by `app`, brought to the
/// front; false unless mousepad comes to show that text over AT-SPI and takes the front.
bool startMousepad(QProcess& app, const QString& path);

/// Runs this test program again, as another X client, in the helper role `role` (a disabled test,
/// "Suite.DISABLED_Name"), with QUILLET_HELPER_DIR set to `dir` and the variables of `environment`.
std::unique_ptr<QProcess> startHelper(const QString& role, const QString& dir,
                                      const QStringList& environment = {});
/// The helper role that holds the combination QUILLET_HELPER_SHORTCUT grabbed, as another program
/// would: says "grabbed" in QUILLET_HELPER_DIR, and lets go when "stop" appears there.
void holdShortcutUntilStopped();

/// A GUI program started for one test and killed (with its whole process group) afterwards.
class DesktopApp {
public:
    DesktopApp(const QString& program, const QStringList& args);
    ~DesktopApp();
    qint64 pid() const { return m_process.processId(); }
    /// The X11 id of its first visible top-level window, waiting up to `timeoutMs` for it.
    QString window(int timeoutMs = 10000);
    /// The window's frame in root coordinates as X11 reports it (origin top-left).
    QRect windowGeometry();

private:
    QProcess m_process;
    QString m_window;
};

}  // namespace quillet::test
