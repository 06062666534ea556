// Small helpers shared by the tests: paths, and waiting on a real event loop.
#pragma once

#include <QString>
#include <functional>

namespace quillet::test {

/// The quillet program built beside the tests.
QString quilletBinary();
/// A path inside the source tree.
QString sourcePath(const QString& relative);
/// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
/// Runs a program to completion; returns its exit code (-1 when it could not start or timed out).
int runProgram(const QString& program, const QStringList& args, QString* out = nullptr,
               QString* err = nullptr, int timeoutMs = 30000);

}  // namespace quillet::test
