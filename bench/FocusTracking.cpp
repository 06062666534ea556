// What following a real mousepad field costs: one re-check tick, a quiet half minute, a hung
// application, and a replacement written into it until it reads back. Run inside a session:
// tests/session/run-in-session.sh -- build/bench/bench_FocusTracking
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>

#include "core/AXMonitor.h"
#include "core/TextIO.h"
#include "platform/Accessibility.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11Clipboard.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestKeySynth.h"

using namespace quillet;

namespace {

struct Rig {
    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
    QtScheduler scheduler;
    AXMonitor monitor{ax, workspace, scheduler};
    X11Clipboard board;
    XTestKeySynth keys{scheduler};
    TextIO io{ax, board, keys, workspace, scheduler};
    QProcess mousepad;
    bool ready = false;

    Rig() {
        mousepad.setStandardOutputFile(QProcess::nullDevice());
        mousepad.setStandardErrorFile(QProcess::nullDevice());
        mousepad.start(QStringLiteral("mousepad"), {});
        QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::optional<RunningApplication> front = workspace.activeApplication();
            if (front && front->pid == mousepad.processId() && ax.focusedElement()) {
                monitor.start();
                ready = monitor.current().has_value();
                break;
            }
            QThread::msleep(20);
        }
    }
    ~Rig() {
        ::kill(pid_t(mousepad.processId()), SIGCONT);
        mousepad.kill();
        mousepad.waitForFinished(3000);
    }
    // Runs the event loop as the program does: asleep until something happens.
    void spin(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

Rig* rig = nullptr;

double cpuSeconds() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // Fields after the command name (which may hold spaces): utime is the 14th, stime the 15th.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void BM_RecheckTick(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("mousepad's field was not found");
    std::vector<double> us;
    for (auto _ : state) {
        us.clear();
        for (int i = 0; i < 1000; ++i) {
            QElapsedTimer t;
            t.start();
            rig->monitor.notifyUpdateIfNeeded();
            us.push_back(double(t.nsecsElapsed()) / 1000.0);
        }
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
    state.counters["max_us"] = us.back();
}
BENCHMARK(BM_RecheckTick)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_IdleTracking30s(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("mousepad's field was not found");
    double used = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        rig->spin(30000);
        used = cpuSeconds() - before;
    }
    state.counters["cpu_percent_of_core"] = used / 30.0 * 100.0;
}
BENCHMARK(BM_IdleTracking30s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_HungApplicationStall(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("mousepad's field was not found");
    qint64 longest = 0;
    for (auto _ : state) {
        ::kill(pid_t(rig->mousepad.processId()), SIGSTOP);
        // A 10 ms probe on the same event loop: its longest gap is the longest stall.
        QElapsedTimer gap;
        gap.start();
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, &probe,
                         [&] { longest = std::max(longest, gap.restart()); });
        probe.start(10);
        rig->spin(5000);
        probe.stop();
        ::kill(pid_t(rig->mousepad.processId()), SIGCONT);
        rig->spin(500);
    }
    state.counters["longest_stall_ms"] = double(longest);
}
BENCHMARK(BM_HungApplicationStall)->Iterations(1)->Unit(benchmark::kSecond);

void BM_AccessibilityReplace(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("mousepad's field was not found");
    const FocusedField field = *rig->monitor.current();
    std::vector<double> us;
    for (auto _ : state) {
        for (int i = 0; i < 21; ++i) {
            const QString text = QStringLiteral("replacement number %1 with a few more words in it").arg(i);
            QElapsedTimer t;
            t.start();
            rig->io.replace(field, text, false, [](const TextIO::Outcome&) {});
            QDeadlineTimer deadline(2000);
            while (!deadline.hasExpired() && rig->ax.text(field.element) != text)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            us.push_back(double(t.nsecsElapsed()) / 1000.0);
        }
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p95_us"] = us[us.size() * 95 / 100];
    state.counters["max_us"] = us.back();
}
BENCHMARK(BM_AccessibilityReplace)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Rig instance;
    rig = &instance;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
