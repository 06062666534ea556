// What following a long rich-text field on a web page costs: a contenteditable element in Firefox
// with 30, 100 and 300 paragraphs (a bold word and a link in each). The whole text read afresh, and
// the focus monitor following the field for 20 s with the caret in it: the longest the event loop
// was kept from the user, and how often it was late. Run inside a session:
// tests/session/run-in-session.sh -- build/bench/bench_HypertextReadSession
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "core/AXMonitor.h"
#include "platform/Accessibility.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11Workspace.h"
#include "support/TestEnv.h"

using namespace quillet;

namespace {

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void percentiles(benchmark::State& state, const std::string& name, std::vector<double> ms) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters[name + "_median_ms"] = ms[ms.size() / 2];
    state.counters[name + "_p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters[name + "_max_ms"] = ms.back();
}

// Firefox showing `paragraphs` paragraphs in one editing host, the caret at its end.
struct Page {
    QTemporaryDir dir;
    QProcess firefox;
    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
    Accessible host;
    qsizetype length = 0;

    explicit Page(int paragraphs) {
        QString body;
        for (int i = 0; i < paragraphs; ++i)
            body += QStringLiteral(
                        "<p>Paragraph %1 has a <b>bold</b> word, a <a href=\"#p%1\">link</a> and "
                        "a few more words after it.</p>")
                        .arg(i);
        QFile page(dir.filePath("page.html"));
        if (!page.open(QIODevice::WriteOnly))
            return;
        page.write(
            QStringLiteral("<!doctype html><meta charset=utf-8><title>long</title>"
                           "<div id=e contenteditable>%1</div><script>const e = "
                           "document.getElementById('e'); e.focus(); const r = document.createRange();"
                           " r.selectNodeContents(e); r.collapse(false); getSelection().removeAllRanges();"
                           " getSelection().addRange(r);</script>")
                .arg(body)
                .toUtf8());
        page.close();
        const QString profile = dir.filePath("profile");
        QDir().mkpath(profile);
        QFile::copy(test::sourcePath("tools/compat/profiles/firefox-esr/user.js"), profile + "/user.js");
        firefox.setStandardOutputFile(QProcess::nullDevice());
        firefox.setStandardErrorFile(QProcess::nullDevice());
        firefox.start("firefox-esr", {"--new-instance", "--profile", profile,
                                      QUrl::fromLocalFile(page.fileName()).toString()});
        test::waitUntil(
            [&] {
                const std::optional<Accessible> focused = ax.focusedElement();
                const std::optional<QString> text =
                    focused ? std::optional<QString>(ax.text(*focused)) : std::nullopt;
                if (!text || !text->startsWith("Paragraph 0") ||
                    !text->contains(QString::number(paragraphs - 1)))
                    return false;
                host = *focused;
                length = text->size();
                return true;
            },
            60000);
    }
    ~Page() {
        firefox.kill();
        firefox.waitForFinished(5000);
    }
};

void BM_FreshRead(benchmark::State& state) {
    Page page(int(state.range(0)));
    if (page.host.isNull())
        return state.SkipWithError("the page's editing host was not found");
    std::vector<double> ms;
    int differing = 0;
    for (auto _ : state) {
        for (int i = 0; i < 15; ++i) {
            spin(250);  // past the time one read serves those right after it
            QElapsedTimer clock;
            clock.start();
            const std::optional<QString> text = page.ax.text(page.host);
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
            differing += !text || text->size() != page.length;
        }
    }
    percentiles(state, "read", ms);
    state.counters["characters"] = double(page.length);
    state.counters["reads_unlike_the_first"] = differing;
}
BENCHMARK(BM_FreshRead)->Arg(30)->Arg(100)->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FollowingTheField(benchmark::State& state) {
    Page page(int(state.range(0)));
    if (page.host.isNull())
        return state.SkipWithError("the page's editing host was not found");
    QtScheduler scheduler;
    AXMonitor monitor{page.ax, page.workspace, scheduler};
    monitor.start();
    std::vector<double> gaps;
    for (auto _ : state) {
        // A 10 ms probe on the same event loop: how late each of its ticks came.
        QElapsedTimer gap;
        gap.start();
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, &probe,
                         [&] { gaps.push_back(double(gap.nsecsElapsed()) / 1e6 - 10.0), gap.restart(); });
        probe.start(10);
        spin(20000);
        probe.stop();
    }
    if (!monitor.current())
        return state.SkipWithError("the monitor did not follow the field");
    const auto late = std::count_if(gaps.begin(), gaps.end(), [](double ms) { return ms > 50; });
    percentiles(state, "late", gaps);
    state.counters["late_over_50ms"] = double(late);
}
BENCHMARK(BM_FollowingTheField)->Arg(30)->Arg(300)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
