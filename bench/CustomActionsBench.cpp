// What a preferences file with 10,000 of the user's own actions (written by hand, unquoted, as the
// README shows one) costs: reading the preferences at start, and the Rephrase tab opening on them,
// from the alternatives' arrival to the tab drawn. Median, p95 and max over the samples, and the
// process's peak memory.
#include <benchmark/benchmark.h>

#include "QtBenchmarkMain.h"

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/linux/IniDefaults.h"
#include "ui/SuggestionView.h"

using namespace quillet;

namespace {

constexpr int kEntries = 10000;
constexpr int kSamples = 20;

// The file as a person writes it: one unquoted line, which QSettings reads as a list.
QString writePreferences(const QTemporaryDir& dir) {
    QByteArray line = "[General]\ncustomActions=[";
    for (int i = 0; i < kEntries; ++i) {
        if (i > 0)
            line += ", ";
        line += QStringLiteral(R"({"name": "Action %1", "instruction": "Rewrite the text in the manner )"
                               R"(of number %1, keeping its meaning and its length."})")
                    .arg(i)
                    .toUtf8();
    }
    line += "]\n";
    const QString path = dir.filePath("quillet.conf");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(line);
    return path;
}

void summarise(benchmark::State& state, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[ms.size() * 95 / 100];
    state.counters["max_ms"] = ms.back();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = double(usage.ru_maxrss) / 1024.0;
}

struct Preferences {
    QTemporaryDir dir;
    QString path = writePreferences(dir);
    FakeScheduler scheduler;
    FakeSecretStore secrets;
    FakeLoginItem loginItem;
    FakeSystemLog log;
};

void BM_StartWithTenThousandActions(benchmark::State& state) {
    Preferences p;
    std::vector<double> ms;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            QElapsedTimer t;
            t.start();
            IniDefaults defaults(p.path);
            SettingsStore store(defaults, p.secrets, p.loginItem, p.log, p.scheduler);
            benchmark::DoNotOptimize(store.customActions().size());
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    summarise(state, ms);
    state.counters["file_kb"] = double(QFile(p.path).size()) / 1024.0;
}
BENCHMARK(BM_StartWithTenThousandActions)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RephraseTabWithTenThousandActions(benchmark::State& state) {
    Preferences p;
    IniDefaults defaults(p.path);
    SettingsStore store(defaults, p.secrets, p.loginItem, p.log, p.scheduler);
    FakeScheduler scheduler;
    FakeHttpTransport transport{scheduler};
    FakeLanguageRecognizer recognizer;
    FakePasteboard pasteboard;
    SuggestionViewModel vm(
        QStringLiteral("Their is a mistak here."),
        OpenAIClient(SettingsStore::defaultApiBaseURL, "k", "m", transport, scheduler, recognizer),
        store.customActions());
    SuggestionView view(vm, pasteboard);
    view.show();
    QImage image(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    const RephraseResult variants{{{"neutral", "There is a mistake here."},
                                   {"professional", "This sentence contains a mistake."},
                                   {"concise", "A mistake here."}}};
    std::vector<double> ms;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            vm.setSelectedTab(0);
            vm.setRephrase(Load<RephraseResult>::loading());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QElapsedTimer t;
            t.start();
            vm.setRephrase(Load<RephraseResult>::loaded(variants));
            vm.setSelectedTab(1);
            view.render(&image);
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    summarise(state, ms);
    state.counters["actions_shown"] = double(vm.actions().size());
}
BENCHMARK(BM_RephraseTabWithTenThousandActions)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::runOffscreen(argc, argv);
}
