// What a streamed answer costs: from a piece of the answer reaching the client to its words painted in
// the panel, and the processor time the whole path takes while a model writes 50 tokens a second.
#include <benchmark/benchmark.h>

#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <ctime>

#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/Clipboard.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/linux/qt/QtHttpTransport.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/system/Cld2LanguageRecognizer.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedSettings.h"
#include "support/TestEnv.h"
#include "ui/SuggestionView.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

const QString prose = QStringLiteral(
    "Thank you for your message. I have looked at the report and I think we should meet on Thursday to "
    "discuss the numbers before the board meeting next week. ");

void percentiles(benchmark::State& state, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters["max_ms"] = ms.back();
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Each iteration hands the client one more piece of a long correction (four characters, as a model's
// token) and paints the panel, as the screen would show it.
void BM_PieceToWordsPainted(benchmark::State& state) {
    test::ScopedSettings settings;
    FakeScheduler scheduler;
    FakeHttpTransport transport{scheduler};
    FakeLanguageRecognizer recognizer;
    FakeClipboard clipboard;
    const QString corrected = prose.repeated(30);
    const QString answer =
        QStringLiteral("{\"corrected\": \"") + corrected + QStringLiteral("\", \"changes\": []}");
    QList<QByteArray> events;
    for (qsizetype i = 0; i < answer.size(); i += 4) {
        const QJsonObject choice{{"delta", QJsonObject{{"content", answer.mid(i, 4)}}}};
        events << "data: " +
                      QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}})
                          .toJson(QJsonDocument::Compact) +
                      "\n\n";
    }
    transport.enqueue(FakeHttpTransport::Script::stream(events, 20ms));
    SuggestionViewModel vm(
        prose, OpenAIClient(SettingsStore::defaultApiBaseURL, "k", "m", transport, scheduler, recognizer));
    SuggestionView view(vm, clipboard);
    view.resize(400, 300);
    view.show();
    QImage image(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    vm.loadAll();
    scheduler.advance(200ms);  // past the opening of the object, into the text

    std::vector<double> ms;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        scheduler.advance(20ms);
        view.render(&image);
        const double took = double(clock.nsecsElapsed()) / 1e6;
        ms.push_back(took);
        state.SetIterationTime(took / 1e3);
    }
    if (!vm.correction().isLoading() || vm.partialCorrection().isEmpty())
        state.SkipWithError("the stream ended before the measurement did");
    percentiles(state, ms);
}
BENCHMARK(BM_PieceToWordsPainted)->UseManualTime()->Iterations(1000)->Unit(benchmark::kMillisecond);

// A real stream over a socket at 50 tokens a second into a shown panel; the server's own time is
// taken off. The figure is processor time over wall time, in percent of one core.
void BM_ProcessorAtFiftyTokensASecond(benchmark::State& state) {
    test::ScopedSettings settings;
    test::LoopbackHttpServer server;
    server.model.tokensPerSecond = 50;
    const QString corrected = prose.repeated(2);
    server.model.correct = [corrected](const QString&) { return corrected; };
    QtScheduler scheduler;
    QtHttpTransport transport;
    Cld2LanguageRecognizer languages;
    FakeClipboard clipboard;
    std::vector<double> percent;
    for (auto _ : state) {
        SuggestionViewModel vm(
            prose, OpenAIClient(server.baseUrl(), QString(), "m", transport, scheduler, languages));
        SuggestionView view(vm, clipboard);
        view.resize(400, 300);
        view.show();
        vm.loadAll();
        // From the first words on: the steady state of a model writing.
        test::waitUntil([&] { return !vm.partialCorrection().isEmpty(); }, 20000);
        const double cpuBefore = processSeconds();
        const qint64 serverBefore = server.busyNanoseconds();
        QElapsedTimer wall;
        wall.start();
        test::waitUntil([&] { return !vm.correction().isLoading() && !vm.rephrase().isLoading(); }, 60000);
        const double cpu =
            processSeconds() - cpuBefore - double(server.busyNanoseconds() - serverBefore) / 1e9;
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        if (!vm.correction().isLoaded())
            state.SkipWithError("the correction did not arrive");
        percent.push_back(100.0 * cpu / seconds);
        state.SetIterationTime(seconds);
    }
    std::sort(percent.begin(), percent.end());
    state.counters["cpu_percent_median"] = percent[percent.size() / 2];
    state.counters["cpu_percent_max"] = percent.back();
}
BENCHMARK(BM_ProcessorAtFiftyTokensASecond)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::runOffscreen(argc, argv);
}
