// The client's own cost for one suggestion: loadAll() until both results are stored, against a loopback
// server that answers at once, minus the time the server itself spends. Also how many connections the
// requests need once the first pair has warmed the pool.
#include <benchmark/benchmark.h>

#include "QtBenchmarkMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/Prompts.h"
#include "core/SuggestionViewModel.h"
#include "platform/linux/qt/QtHttpTransport.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/system/Cld2LanguageRecognizer.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedSettings.h"

using namespace quillet;

namespace {

const QString fieldText = QStringLiteral(
    "Thank you for your message. I has looked at the report and I think we should meet on Thursday to "
    "discuss the numbers before the board meeting next week.");

void BM_LoadAllToBothStored(benchmark::State& state) {
    test::ScopedSettings settings;
    test::LoopbackHttpServer server;
    QtScheduler scheduler;
    QtHttpTransport transport;
    Cld2LanguageRecognizer languages;
    const OpenAIClient client(server.baseUrl(), "sk-bench", "gpt-4o-mini", transport, scheduler, languages);

    auto once = [&] {
        SuggestionViewModel model(fieldText, client);
        model.loadAll();
        while (model.correction().isLoading() || model.rephrase().isLoading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!model.correction().isLoaded() || !model.rephrase().isLoaded())
            std::abort();
    };
    once();  // warm the connection pool, as the second suggestion of a session finds it
    const int warmConnections = server.connectionCount();

    double clientSeconds = 0;
    for (auto _ : state) {
        const qint64 serverBefore = server.busyNanoseconds();
        QElapsedTimer wall;
        wall.start();
        once();
        const qint64 total = wall.nsecsElapsed();
        const qint64 serverTime = server.busyNanoseconds() - serverBefore;
        state.SetIterationTime(double(total) / 1e9);
        clientSeconds += double(total - serverTime) / 1e9;
    }
    state.counters["client_only_ms"] = benchmark::Counter(clientSeconds * 1e3 / double(state.iterations()));
    state.counters["connections_first_pair"] = warmConnections;
    state.counters["new_connections_later"] = server.connectionCount() - warmConnections;
    state.counters["requests"] = double(server.requests().size());
}
BENCHMARK(BM_LoadAllToBothStored)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LanguageHintFiveThousandCharacters(benchmark::State& state) {
    QString text;
    while (text.size() < 5000)
        text += fieldText + QLatin1Char(' ');
    text.truncate(5000);
    Cld2LanguageRecognizer languages;
    for (auto _ : state)
        benchmark::DoNotOptimize(Prompts::languageHint(text, languages));
}
BENCHMARK(BM_LanguageHintFiveThousandCharacters)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::runOffscreen(argc, argv);
}
