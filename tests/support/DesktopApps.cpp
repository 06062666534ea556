// Real applications for the tests that run in the private desktop session, driven as a person would.
#include "support/DesktopApps.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <csignal>

#include "core/Shortcut.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11GlobalHotkey.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

namespace quillet::test {

QString xdotool(const QStringList& args) {
    // The event loop keeps running meanwhile, so what the keys cause is seen as it happens.
    int exitCode = -1;
    const QString out = runServing(QStringLiteral("xdotool"), args, 10000, &exitCode);
    return exitCode == 0 ? out : QString();
}

// The first visible window `xdotool search` finds by `criteria`, within `timeoutMs`.
static QString firstVisibleWindow(const QStringList& criteria, int timeoutMs) {
    QString id;
    waitUntil(
        [&] {
            id = xdotool(QStringList{"search", "--onlyvisible"} + criteria).section('\n', 0, 0);
            return !id.isEmpty();
        },
        timeoutMs);
    return id;
}

QString visibleWindow(const QString& title, int timeoutMs) {
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    return firstVisibleWindow({"--name", pattern}, timeoutMs);
}

QString windowOf(qint64 pid, int timeoutMs) {
    return firstVisibleWindow({"--pid", QString::number(pid)}, timeoutMs);
}

QRect windowGeometry(const QString& id) {
    QMap<QString, int> g;
    for (const QString& line : xdotool({"getwindowgeometry", "--shell", id}).split('\n'))
        g[line.section('=', 0, 0)] = line.section('=', 1).toInt();
    return QRect(g.value("X"), g.value("Y"), g.value("WIDTH"), g.value("HEIGHT"));
}

bool activateWindowOf(qint64 pid, int timeoutMs) {
    const QString id = windowOf(pid, timeoutMs);
    if (id.isEmpty())
        return false;
    xdotool({"windowactivate", "--sync", id});
    return true;
}

bool closeStartupSettings(int timeoutMs) {
    const QString title = QStringLiteral("Quillet — Settings");
    const QString window = visibleWindow(title, timeoutMs);
    if (window.isEmpty())
        return false;
    xdotool({"windowactivate", "--sync", window});
    xdotool({"key", "Escape"});
    return waitUntil([&] { return visibleWindow(title, 0).isEmpty(); }, 5000);
}

bool pressHotkeyUntil(const std::function<bool()>& done, int attempts) {
    for (int i = 0; i < attempts; ++i) {
        xdotool({"key", "super+shift+g"});
        if (waitUntil(done, 8000))
            return true;
    }
    return false;
}

bool startMousepad(QProcess& app, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kMistaken.toUtf8()) < 0)
        return false;
    file.close();
    app.start("mousepad", {"--disable-server", path});
    return app.waitForStarted() &&
           waitUntil([&] { return fieldText(app.processId()) == kMistaken; }, 15000) &&
           activateWindowOf(app.processId());
}

std::unique_ptr<QProcess> startHelper(const QString& role, const QString& dir,
                                      const QStringList& environment) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLET_HELPER_DIR", dir);
    for (const QString& assignment : environment)
        env.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationFilePath(),
                   {"--gtest_filter=" + role, "--gtest_also_run_disabled_tests"});
    return process;
}

void holdShortcutUntilStopped() {
    const QString dir = qEnvironmentVariable("QUILLET_HELPER_DIR");
    QtScheduler scheduler;
    X11GlobalHotkey hotkey(scheduler);
    const std::optional<Shortcut> shortcut =
        Shortcut::fromText(qEnvironmentVariable("QUILLET_HELPER_SHORTCUT"));
    if (!shortcut || hotkey.registerHotkey(shortcut->combination(), [](HotkeyEdge) {}) != std::nullopt)
        return;
    if (!QFile(dir + "/grabbed").open(QIODevice::WriteOnly))
        return;
    waitUntil([&] { return QFile::exists(dir + "/stop"); }, 120000);
}

DesktopApp::DesktopApp(const QString& program, const QStringList& args) {
    m_process.setProgram(program);
    m_process.setArguments(args);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start();
    m_process.waitForStarted(5000);
}

DesktopApp::~DesktopApp() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGCONT);
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString DesktopApp::window(int timeoutMs) {
    if (m_window.isEmpty())
        m_window = windowOf(pid(), timeoutMs);
    return m_window;
}

QRect DesktopApp::windowGeometry() {
    return test::windowGeometry(window());
}

}  // namespace quillet::test
