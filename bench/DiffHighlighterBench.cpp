// How long the word diff takes on a full 5,000-character field, typical and worst case, and its memory.
#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <QStringList>
#include <atomic>
#include <cstdlib>
#include <new>

#include "core/DiffHighlighter.h"

namespace {

// Live and peak heap bytes, to report what the edit trace costs.
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

void count(long long delta) {
    const long long now = g_live.fetch_add(delta) + delta;
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size + 16);
    if (!block)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    count(static_cast<long long>(size));
    return static_cast<char*>(block) + 16;
}

void operator delete(void* p) noexcept {
    if (!p)
        return;
    void* block = static_cast<char*>(p) - 16;
    count(-static_cast<long long>(*static_cast<std::size_t*>(block)));
    std::free(block);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

// About 900 words in 5,000 characters, like a long field.
QStringList randomWords(QRandomGenerator& random, int count, const char* alphabet) {
    QStringList words;
    const int letters = int(std::strlen(alphabet));
    for (int i = 0; i < count; ++i) {
        QString word;
        const int length = 2 + random.bounded(6);
        for (int j = 0; j < length; ++j)
            word += QLatin1Char(alphabet[random.bounded(letters)]);
        words.append(word);
    }
    return words;
}

QString fit(QStringList words) {
    QString text = words.join(' ');
    while (text.size() > 5000) {
        words.removeLast();
        text = words.join(' ');
    }
    return text;
}

void report(benchmark::State& state, const QString& a, const QString& b) {
    long long peak = 0;
    for (auto _ : state) {
        const long long before = g_live.load();
        g_peak.store(before);
        auto runs = quillet::DiffHighlighter::attributed(a, b);
        benchmark::DoNotOptimize(runs);
        peak = std::max(peak, g_peak.load() - before);
    }
    state.counters["words"] = double(a.count(' ') + 1);
    state.counters["chars"] = double(a.size());
    state.counters["peak_heap_KiB"] = double(peak) / 1024.0;
}

void BM_Diff_TenPercentChanged(benchmark::State& state) {
    QRandomGenerator random(7);
    const QStringList original = randomWords(random, 900, "abcdefghijklmnopqrstuvwxyz");
    QStringList corrected = original;
    for (int i = 0; i < corrected.size(); ++i)
        if (random.bounded(10) == 0)
            corrected[i] = corrected[i] + QLatin1Char('s');
    report(state, fit(original), fit(corrected));
}
BENCHMARK(BM_Diff_TenPercentChanged)->Unit(benchmark::kMicrosecond);

void BM_Diff_CompletelyDifferent(benchmark::State& state) {
    QRandomGenerator random(11);
    const QString original = fit(randomWords(random, 900, "abcdefghijklm"));
    const QString corrected = fit(randomWords(random, 900, "nopqrstuvwxyz"));
    report(state, original, corrected);
}
BENCHMARK(BM_Diff_CompletelyDifferent)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
