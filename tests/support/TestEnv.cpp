// Small helpers shared by the tests: paths, and waiting on a real event loop.
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <optional>

#include "core/KeychainManager.h"
#include "core/ServerKeys.h"
#include "platform/linux/secret/LibsecretStore.h"

namespace quillet::test {

QString quilletBinary() {
    // Another build may be put under the same tests, to compare two versions of the program.
    return qEnvironmentVariable("QUILLET_BINARY_UNDER_TEST", QStringLiteral(QUILLET_BINARY));
}

QString testEditorBinary() {
    return QStringLiteral(QUILLET_TEST_EDITOR);
}

QString sourcePath(const QString& relative) {
    return QStringLiteral(QUILLET_SOURCE_DIR "/") + relative;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void settle(int ms) {
    waitUntil([] { return false; }, ms);
}

bool holdsFor(const std::function<bool()>& holds, int ms) {
    bool broken = false;
    waitUntil([&] { return broken = !holds(); }, ms);
    return !broken;
}

void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished();
}

QString runServing(const QString& program, const QStringList& args, int timeoutMs, int* exitCode) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    const bool finished = waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    if (!finished)
        stopProcess(process);
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QByteArray clipboardBytes(const QString& target) {
    QProcess process;
    process.start("xclip", {"-selection", "clipboard", "-o", "-t", target});
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000))
        stopProcess(process);
    return process.readAllStandardOutput();
}

QStringList clipboardTargets() {
    QStringList list = QString::fromUtf8(clipboardBytes("TARGETS")).split('\n', Qt::SkipEmptyParts);
    for (const char* own : {"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS"})
        list.removeAll(QString::fromLatin1(own));
    list.sort();
    return list;
}

QString readAccessible(qint64 pid, const QStringList& extra) {
    // Debian's own interpreter: it has the GObject bindings the reader needs.
    return runServing(
        QStringLiteral("/usr/bin/python3"),
        QStringList{sourcePath(QStringLiteral("tests/support/atspi_query.py")), QString::number(pid)} +
            extra);
}

bool storeApiKey(const QString& key, const QString& server) {
    LibsecretStore secrets;
    return answerOf<SecretStore::Status>(
               [&](auto done) {
                   secrets.write(KeychainManager::itemFor(ServerKeys::slotOf(server)), key.toUtf8(), done);
               },
               10000) == SecretStore::Status::ok;
}

int runProgram(const QString& program, const QStringList& args, QString* out, QString* err, int timeoutMs) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        stopProcess(process);
        return -1;
    }
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::string selfCheck() {
    QString out;
    runProgram(quilletBinary(), {QStringLiteral("--doctor")}, &out);
    return out.toStdString();
}

}  // namespace quillet::test
