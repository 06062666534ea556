// What a preferences file with 10,000 of the user's own actions (written by hand, unquoted, as the
// README shows one) costs: reading the preferences at start, and the Rephrase tab opening on them,
// from the alternatives' arrival to the tab drawn. Median, p95 and max over the samples, of the wall
// clock and of the thread's processor time, and the process's peak memory.
#include <benchmark/benchmark.h>

#include "QtBenchmarkMain.h"

#include <sys/resource.h>
#include <cstdio>
#include <ctime>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <string>
#include <vector>

#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/linux/system/IniDefaults.h"
#include "ui/SuggestionView.h"

using namespace quillet;

namespace {

constexpr int kEntries = 10000;
constexpr int kSamples = 20;

// The file as a person writes it, one unquoted line that QSettings reads as a list; or, `quoted`, as
// the program writes it (one quoted text).
QString writePreferences(const QTemporaryDir& dir, bool quoted) {
    QString value = QStringLiteral("[");
    for (int i = 0; i < kEntries; ++i) {
        if (i > 0)
            value += QStringLiteral(", ");
        value += QStringLiteral(R"({"name": "Action %1", "instruction": "Rewrite the text in the manner )"
                                R"(of number %1, keeping its meaning and its length."})")
                     .arg(i);
    }
    value += QLatin1Char(']');
    const QString path = dir.filePath("quillet.conf");
    if (quoted) {
        QSettings(path, QSettings::IniFormat).setValue(QStringLiteral("customActions"), value);
        return path;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    file.write("[General]\ncustomActions=" + value.toUtf8() + "\n");
    return path;
}

// The thread's processor time: what the work costs on a core of its own, whatever else the machine
// is doing.
double threadMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;
};

void summarise(benchmark::State& state, Samples samples) {
    for (auto [name, ms] : {std::pair{"wall", &samples.wall}, std::pair{"cpu", &samples.cpu}}) {
        std::sort(ms->begin(), ms->end());
        const std::string prefix(name);
        state.counters[prefix + "_median_ms"] = (*ms)[ms->size() / 2];
        state.counters[prefix + "_p95_ms"] = (*ms)[ms->size() * 95 / 100];
        state.counters[prefix + "_max_ms"] = ms->back();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = double(usage.ru_maxrss) / 1024.0;
}

struct Preferences {
    explicit Preferences(bool quoted) : path(writePreferences(dir, quoted)) {}
    QTemporaryDir dir;
    QString path;
    FakeScheduler scheduler;
    FakeSecretStore secrets;
    FakeAutostart autostart;
    FakeSystemLog log;
};

// range(0): 0 for the file as a person writes it, 1 as the program does.
void BM_StartWithTenThousandActions(benchmark::State& state) {
    Preferences p(state.range(0) != 0);
    Samples samples;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            QElapsedTimer t;
            t.start();
            const double started = threadMs();
            IniDefaults defaults(p.path);
            SettingsStore store(defaults, p.secrets, p.autostart, p.log, p.scheduler);
            benchmark::DoNotOptimize(store.customActions().size());
            samples.cpu.push_back(threadMs() - started);
            samples.wall.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    summarise(state, samples);
    state.counters["file_kb"] = double(QFile(p.path).size()) / 1024.0;
}
BENCHMARK(BM_StartWithTenThousandActions)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// range(0): 1 with the actions the file gives, 0 without any (the three alternatives alone).
void BM_RephraseTabWithTenThousandActions(benchmark::State& state) {
    Preferences p(true);
    IniDefaults defaults(p.path);
    SettingsStore store(defaults, p.secrets, p.autostart, p.log, p.scheduler);
    const QList<CustomAction> actions = state.range(0) ? store.customActions() : QList<CustomAction>();
    FakeScheduler scheduler;
    FakeHttpTransport transport{scheduler};
    FakeLanguageRecognizer recognizer;
    FakeClipboard clipboard;
    SuggestionViewModel vm(
        QStringLiteral("Their is a mistak here."),
        OpenAIClient(SettingsStore::defaultApiBaseURL, "k", "m", transport, scheduler, recognizer), actions);
    SuggestionView view(vm, clipboard);
    view.show();
    QImage image(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    const RephraseResult variants{{{"neutral", "There is a mistake here."},
                                   {"professional", "This sentence contains a mistake."},
                                   {"concise", "A mistake here."}}};
    Samples samples;
    for (auto _ : state) {
        // One round first, unmeasured: the first drawing of any widget loads fonts and styles.
        for (int i = -1; i < kSamples; ++i) {
            vm.setSelectedTab(0);
            vm.setRephrase(Load<RephraseResult>::loading());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QElapsedTimer t;
            t.start();
            const double started = threadMs();
            vm.setRephrase(Load<RephraseResult>::loaded(variants));
            vm.setSelectedTab(1);
            view.render(&image);
            if (i < 0)
                continue;
            samples.cpu.push_back(threadMs() - started);
            samples.wall.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    summarise(state, samples);
    state.counters["actions_shown"] = double(vm.actions().size());
}
BENCHMARK(BM_RephraseTabWithTenThousandActions)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::runOffscreen(argc, argv);
}
