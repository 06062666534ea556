#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

namespace quillet::test {

QString quilletBinary() {
    return QStringLiteral(QUILLET_BINARY);
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

int runProgram(const QString& program, const QStringList& args, QString* out, QString* err, int timeoutMs) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace quillet::test
