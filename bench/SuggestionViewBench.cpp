// What redrawing the correction tab costs for a long correction: rebuilding it from the view model
// (diff runs, text layout) and painting it.
#include <benchmark/benchmark.h>

#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/Clipboard.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "ui/SuggestionView.h"

using namespace quillet;

namespace {

// About 5,000 characters of prose; every tenth word of the correction differs from the original.
std::pair<QString, QString> texts() {
    const QStringList words{"the", "quick", "brown",   "fox",     "jumps",     "over",  "a",       "lazy",
                            "dog", "while", "writing", "careful", "sentences", "about", "nothing", "much"};
    QStringList original, corrected;
    for (int i = 0; original.join(' ').size() < 5000; ++i) {
        const QString w = words[(i * 7) % words.size()];
        original << w;
        corrected << (i % 10 == 3 ? w + QStringLiteral("ed") : w);
    }
    return {original.join(' ').left(5000), corrected.join(' ').left(5000)};
}

struct Fixture {
    FakeScheduler scheduler;
    FakeHttpTransport transport{scheduler};
    FakeLanguageRecognizer recognizer;
    FakeClipboard clipboard;
    std::pair<QString, QString> t = texts();
    SuggestionViewModel vm{
        t.first, OpenAIClient(SettingsStore::defaultApiBaseURL, "k", "m", transport, scheduler, recognizer)};
    CorrectionResult result{t.second, {{"a", "b", {}}}};
    SuggestionView view{vm, clipboard};
    Fixture() {
        vm.setCorrection(Load<CorrectionResult>::loaded(result));
        view.show();
    }
};

void BM_CorrectionTabRebuild(benchmark::State& state) {
    Fixture f;
    bool flip = false;
    for (auto _ : state) {
        // A new result (a different change list) makes the tab rebuild: diff, runs, layout.
        f.result.changes.first().reason = (flip = !flip) ? QStringLiteral("x") : QString();
        f.vm.setCorrection(Load<CorrectionResult>::loaded(f.result));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_CorrectionTabRebuild)->Unit(benchmark::kMillisecond);

void BM_CorrectionTabPaint(benchmark::State& state) {
    Fixture f;
    QImage image(f.view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        f.view.render(&image);
    }
}
BENCHMARK(BM_CorrectionTabPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::runOffscreen(argc, argv);
}
