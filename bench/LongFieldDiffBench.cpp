// What the panel costs for a long field: cutting a 200,000-character text to the part that is sent,
// and the word diff between that part and a correction, at 5,000 graphemes and in the worst case
// (every word differs, as many words as 5,000 graphemes can hold). Median, p95 and max of the
// thread's processor time (what the work costs on a core of its own) and of the wall clock.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "core/DiffHighlighter.h"
#include "core/PartialReplacement.h"

using quillet::PartialReplacement;

namespace {

constexpr int kSamples = 40;

// `words` one-grapheme words of `letter`, separated by single spaces: 2 × words − 1 graphemes.
QString oneLetterWords(int words, const QString& letter) {
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += letter;
    }
    return text;
}

double threadMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void summarise(benchmark::State& state, const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const std::string prefix(name);
    state.counters[prefix + "_median_ms"] = ms[ms.size() / 2];
    state.counters[prefix + "_p95_ms"] = ms[ms.size() * 95 / 100];
    state.counters[prefix + "_max_ms"] = ms.back();
}

void report(benchmark::State& state, const QString& field, const QString& corrected) {
    std::vector<double> cpu;
    std::vector<double> wall;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            QElapsedTimer t;
            t.start();
            const double started = threadMs();
            const PartialReplacement part = PartialReplacement::of(field);
            auto runs = quillet::DiffHighlighter::attributed(part.sent, corrected);
            benchmark::DoNotOptimize(runs);
            cpu.push_back(threadMs() - started);
            wall.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    summarise(state, "cpu", cpu);
    summarise(state, "wall", wall);
    state.counters["sent_chars"] = double(PartialReplacement::of(field).sent.size());
}

// 2,500 words of one letter each, none of them in the correction: the longest edit script.
void BM_LongField_EveryWordDiffers(benchmark::State& state) {
    const QString field = oneLetterWords(100000, QStringLiteral("a"));
    report(state, field, oneLetterWords(2500, QStringLiteral("b")));
}
BENCHMARK(BM_LongField_EveryWordDiffers)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same with emoji and combining marks: more code units per grapheme, the same number of words.
void BM_LongField_EveryWordDiffersEmoji(benchmark::State& state) {
    const QString field = oneLetterWords(100000, QString::fromUtf8("👨‍👩‍👧"));
    report(state, field, oneLetterWords(2500, QString::fromUtf8("e\xcc\x81")));
}
BENCHMARK(BM_LongField_EveryWordDiffersEmoji)->Iterations(1)->Unit(benchmark::kMillisecond);

// A correction that changes every tenth word of ordinary prose.
void BM_LongField_TypicalCorrection(benchmark::State& state) {
    QString field;
    while (field.size() < 200000)
        field += QStringLiteral("Their is a mistak in this sentense, and the rest is fine. ");
    const QString sent = PartialReplacement::of(field).sent;
    QString corrected = sent;
    corrected.replace(QStringLiteral("Their is"), QStringLiteral("There is"));
    report(state, field, corrected);
}
BENCHMARK(BM_LongField_TypicalCorrection)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
