// The entry point of a benchmark that needs a Qt application but no screen.
#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

namespace quillet::bench {

/// Runs the benchmarks named on the command line inside a QApplication, drawn off screen unless
/// the caller chose a Qt platform.
inline int runOffscreen(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace quillet::bench
