// Small helpers shared by the tests: paths, and waiting on a real event loop.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

class QProcess;

namespace quillet::test {

/// The quillet program built beside the tests, or the one QUILLET_BINARY_UNDER_TEST names.
QString quilletBinary();
/// The test editor built beside the tests (tools/testapps/TestEditor.cpp).
QString testEditorBinary();
/// A path inside the source tree.
QString sourcePath(const QString& relative);
/// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
/// Lets the event loop run for `ms`, for things that have no signal to wait on.
void settle(int ms);
/// Hands `start` a callback and runs the event loop until it is called or `timeoutMs` passes: what
/// it was called with, or nothing when it never was.
template <typename T, typename Start>
std::optional<T> answerOf(Start&& start, int timeoutMs = 5000) {
    std::optional<T> answer;
    start([&](T value) { answer = std::move(value); });
    waitUntil([&] { return answer.has_value(); }, timeoutMs);
    return answer;
}
/// Runs the event loop for `ms`, checking all along that `holds` does; false as soon as it does not.
/// For what must not happen, where nothing marks the moment it would have.
bool holdsFor(const std::function<bool()>& holds, int ms);
/// Ends `process` at once, if it runs, and waits until it is gone.
void stopProcess(QProcess& process);
/// Runs a program while this process keeps serving its own events (a model server or the clipboard
/// may live here); returns its trimmed standard output, whatever its exit status, which goes into
/// `exitCode` (-1 when it crashed or ran out of time).
QString runServing(const QString& program, const QStringList& args, int timeoutMs = 20000,
                   int* exitCode = nullptr);
/// The clipboard as another program (xclip) reads it while this process serves its own events: the
/// bytes of one target, and the targets offered, sorted, without the selection protocol's own.
QByteArray clipboardBytes(const QString& target);
QStringList clipboardTargets();
/// The widgets of process `pid` as a screen reader reads them, one "role\tname\ttext" line each;
/// `extra` may press a button (see tests/support/atspi_query.py).
QString readAccessible(qint64 pid, const QStringList& extra = {});
/// Puts `key` into the session's keyring as the API key of the server at `server` (the default service
/// when empty), waiting for the keyring; false when it did not take it.
bool storeApiKey(const QString& key, const QString& server = {});
/// Runs a program to completion; returns its exit code (-1 when it could not start or timed out).
int runProgram(const QString& program, const QStringList& args, QString* out = nullptr,
               QString* err = nullptr, int timeoutMs = 30000);
/// What the self-check of a second copy of quillet sees now, for a failure to show.
std::string selfCheck();

}  // namespace quillet::test
