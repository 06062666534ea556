// The real program beside a real mousepad, measured as a user meets it: how long from its start to
// the icon over a field that already has the focus, what share of a core it takes while the user
// does nothing with 1 KB, 200 KB and 2 MB documents (once each, and then over several starts for
// the spread) and while they type five characters a second into the 200 KB one, and its resident
// memory after start. Run inside a session:
//   tests/session/run-in-session.sh -- build/bench/bench_SessionCostBench
// or only the idle spread:
//   tests/session/run-in-session.sh -- build/bench/bench_SessionCostBench --benchmark_filter=BM_IdleCost
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet::test;

namespace {

/// CPU time the process has used so far, in seconds (user and system).
double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command name, which may hold spaces: utime and stime are the 12th and 13th.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

/// The same to the nanosecond, summed over the process's threads: /proc/<pid>/stat counts in clock
/// ticks, a twentieth of a per cent of a core over twenty seconds, too coarse for a small cost.
double preciseCpuSeconds(qint64 pid) {
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

/// Resident memory in MiB: all of it, or one line of the status ("RssAnon": the private part).
double residentMiB(qint64 pid, const QByteArray& kind = "VmRSS") {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(kind + ':'))
            return line.mid(kind.size() + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

/// Several paragraphs of ordinary prose, with an emoji now and then, of about `bytes` bytes.
QByteArray document(int bytes) {
    const QByteArray paragraph =
        "Their is a small mistake in this paragraph, and the writer wants it gone before the letter "
        "goes out. The rest of the text is ordinary prose of the kind people write every day 🙂.\n\n";
    QByteArray text;
    while (text.size() < bytes)
        text += paragraph;
    return text.left(bytes);
}

/// Percent of one core used by `pid` over `ms` of wall time.
double corePercent(qint64 pid, int ms) {
    const double before = cpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    settle(ms);
    return 100.0 * (cpuSeconds(pid) - before) / (double(wall.elapsed()) / 1000.0);
}

struct Session {
    QTemporaryDir dir;
    std::unique_ptr<DesktopApp> editor;
    QProcess quillet;

    ~Session() { stop(); }
    bool openEditor(int bytes) {
        const QString path = dir.filePath(QStringLiteral("note-%1.txt").arg(bytes));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(document(bytes));
        file.close();
        editor =
            std::make_unique<DesktopApp>(QStringLiteral("mousepad"), QStringList{"--disable-server", path});
        const QString window = editor->window(30000);
        if (window.isEmpty())
            return false;
        xdotool({"windowactivate", "--sync", window});
        // Ready once its text is on the accessibility bus, as a user's document would be.
        return waitUntil([&] { return readAccessible(editor->pid()).contains("Their is"); }, 30000);
    }
    /// Starts the program; the milliseconds until its icon shows over the focused field, or -1.
    qint64 startQuillet(int timeoutMs = 20000) {
        quillet.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        quillet.start(quilletBinary(), {});
        if (!quillet.waitForStarted() || !waitUntil(iconMapped, timeoutMs))
            return -1;
        return clock.elapsed();
    }
    /// Closes the settings that open at start on a desktop without a tray; true once the icon is back.
    bool settleQuillet() {
        closeStartupSettings();
        xdotool({"windowactivate", "--sync", editor->window()});
        return waitUntil(iconMapped, 10000);
    }
    void stopQuillet() {
        if (quillet.state() == QProcess::NotRunning)
            return;
        quillet.kill();
        quillet.waitForFinished(5000);
        waitUntil([] { return !iconMapped(); }, 5000);
    }
    void stop() {
        stopQuillet();
        editor.reset();
    }
};

void reportSpread(benchmark::State& state, const std::string& name, std::vector<double> v) {
    if (v.empty())
        return;
    std::sort(v.begin(), v.end());
    state.counters[name + "_median"] = v[v.size() / 2];
    state.counters[name + "_p95"] = v[std::min(v.size() - 1, std::size_t(0.95 * double(v.size())))];
    state.counters[name + "_max"] = v.back();
}

constexpr int idleMs = 20000;

// Idle cost with a document of the given size focused; the start to the icon is measured on the way.
void BM_IdleTracking(benchmark::State& state) {
    for (auto _ : state) {
        Session s;
        if (!s.openEditor(int(state.range(0))))
            return state.SkipWithError("mousepad did not open the document");
        // On this desktop without a tray the settings open at start too, and may come first: the
        // icon then shows once they are closed (BM_StartToIcon times the start itself).
        const qint64 startToIcon = s.startQuillet(5000);
        if (!s.settleQuillet())
            return state.SkipWithError("no icon over the focused text once the settings were closed");
        state.counters["start_to_icon_ms"] = double(startToIcon);
        settle(3000);
        state.counters["rss_after_start_MiB"] = residentMiB(s.quillet.processId());
        state.counters["anon_after_start_MiB"] = residentMiB(s.quillet.processId(), "RssAnon");
        state.counters["idle_core_percent"] = corePercent(s.quillet.processId(), idleMs);
        state.SetIterationTime(idleMs / 1000.0);
    }
}
BENCHMARK(BM_IdleTracking)
    ->Arg(1 << 10)
    ->Arg(200 << 10)
    ->Arg(2 << 20)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Idle cost again and again: the program started anew over the same document for each of the runs.
void BM_IdleCost(benchmark::State& state) {
    std::vector<double> ticks;
    std::vector<double> precise;
    std::vector<double> anon;
    for (auto _ : state) {
        Session s;
        if (!s.openEditor(int(state.range(0))))
            return state.SkipWithError("mousepad did not open the document");
        for (int run = 0; run < state.range(1); ++run) {
            s.startQuillet(5000);
            if (!s.settleQuillet())
                return state.SkipWithError("no icon over the focused text once the settings were closed");
            settle(3000);
            const qint64 pid = s.quillet.processId();
            anon.push_back(residentMiB(pid, "RssAnon"));
            const double before = cpuSeconds(pid);
            const double preciseBefore = preciseCpuSeconds(pid);
            QElapsedTimer wall;
            wall.start();
            settle(idleMs);
            const double seconds = double(wall.elapsed()) / 1000.0;
            ticks.push_back(100.0 * (cpuSeconds(pid) - before) / seconds);
            precise.push_back(100.0 * (preciseCpuSeconds(pid) - preciseBefore) / seconds);
            s.stopQuillet();
        }
    }
    reportSpread(state, "idle_core_percent", ticks);
    reportSpread(state, "idle_core_percent_ns", precise);
    reportSpread(state, "anon_after_start_MiB", anon);
}
BENCHMARK(BM_IdleCost)->Args({1 << 10, 5})->Args({2 << 20, 5})->Iterations(1)->Unit(benchmark::kSecond);

// Five characters a second typed into the 200 KB document, as xdotool types them: one key at a time.
void BM_TypingTracking(benchmark::State& state) {
    for (auto _ : state) {
        Session s;
        if (!s.openEditor(200 << 10))
            return state.SkipWithError("mousepad did not open the document");
        if (s.startQuillet() < 0 || !s.settleQuillet())
            return state.SkipWithError("no icon over the focused text");
        settle(3000);
        const qint64 pid = s.quillet.processId();
        const double before = cpuSeconds(pid);
        QElapsedTimer wall;
        wall.start();
        // xdotool types somewhat faster than its delay says: the rate it reached is reported too.
        const QString typed = QStringLiteral("and a few more words typed here ").repeated(2);
        QProcess typing;
        typing.start(QStringLiteral("xdotool"), {"type", "--delay", "300", typed});
        waitUntil([&] { return typing.state() == QProcess::NotRunning; }, 60000);
        const double seconds = double(wall.elapsed()) / 1000.0;
        state.counters["typing_core_percent"] = 100.0 * (cpuSeconds(pid) - before) / seconds;
        state.counters["typed_per_second"] = double(typed.size()) / seconds;
        state.counters["icon_still_shown"] = iconMapped() ? 1 : 0;
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_TypingTracking)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Start to icon, again and again over the same focused 1 KB document.
void BM_StartToIcon(benchmark::State& state) {
    std::vector<double> ms;
    for (auto _ : state) {
        Session s;
        if (!s.openEditor(1 << 10))
            return state.SkipWithError("mousepad did not open the document");
        for (int i = 0; i < state.range(0); ++i) {
            const qint64 took = s.startQuillet();
            if (took < 0)
                return state.SkipWithError("no icon over the focused text");
            ms.push_back(double(took));
            s.stopQuillet();
            xdotool({"windowactivate", "--sync", s.editor->window()});
        }
    }
    reportSpread(state, "start_to_icon_ms", ms);
}
BENCHMARK(BM_StartToIcon)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!storeApiKey(QStringLiteral("sk-bench"))) {
        std::fprintf(stderr, "the session's keyring did not take the key\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
