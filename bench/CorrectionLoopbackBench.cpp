// The whole program against a real mousepad and a loopback model: how long from the click to the
// panel on screen, from the server's last byte to the result drawn (median, p95 and maximum over
// a hundred corrections), what memory the program holds after start and after a hundred
// corrections, and whether its private memory stays where it was over five hundred corrections
// asked for as `quillet --trigger` asks (over the session bus). Run inside a session:
//   tests/session/run-in-session.sh -- build/bench/bench_CorrectionLoopbackBench
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CoordinatorWindows.h"
#include "app/Platform.h"
#include "core/AppCoordinator.h"
#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/linux/dbus/DBusInstanceChannel.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnv.h"
#include "ui/KeyboardPanel.h"
#include "ui/SuggestionPanelController.h"

using namespace quillet;
using Clock = std::chrono::steady_clock;

namespace {

/// Remembers the first paint of any widget in one window after it is armed, and when the window
/// was first exposed (the display server's word that it is on screen).
class PaintClock : public QObject {
public:
    void arm(QWidget* window) {
        m_window = window;
        painted.reset();
        exposed.reset();
        all.clear();
    }
    std::optional<Clock::time_point> painted;
    std::optional<Clock::time_point> exposed;
    std::vector<Clock::time_point> all;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Expose && m_window && !exposed && object == m_window->windowHandle())
            exposed = Clock::now();
        if (event->type() == QEvent::Paint && m_window) {
            auto* widget = qobject_cast<QWidget*>(object);
            if (widget && widget->window() == m_window) {
                all.push_back(Clock::now());
                if (!painted)
                    painted = all.back();
            }
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
};

/// Waits as the program's own event loop does: asleep until the next event and no longer, so that a
/// time taken here is the program's and not a polling interval's (the tests' waitUntil naps 5 ms).
bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake;  // only so that the deadline is looked at while nothing happens
    wake.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// Sets `<name>_median_ms`, `<name>_p95_ms` and `<name>_max_ms`: a slow tail shows, a mean would hide it.
void reportSpread(benchmark::State& state, const std::string& name, std::vector<double> ms) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) {
        return ms[std::min(ms.size() - 1, std::size_t(share * double(ms.size())))];
    };
    state.counters[name + "_median_ms"] = at(0.5);
    state.counters[name + "_p95_ms"] = at(0.95);
    state.counters[name + "_max_ms"] = ms.back();
}

/// Resident memory in MiB: all of it, or one line of /proc/self/status ("RssAnon", "RssFile").
double residentMiB(const QByteArray& kind = "VmRSS") {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(kind + ':'))
            return line.mid(kind.size() + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

struct Rig {
    test::LoopbackHttpServer server;
    Platform platform = makePlatform(PlatformMode::desktop);
    SettingsStore settings{*platform.defaults, *platform.secrets, *platform.autostart, *platform.log,
                           *platform.scheduler};
    std::unique_ptr<CoordinatorWindows> windows;
    std::unique_ptr<AppCoordinator> coordinator;
    QTemporaryDir dir;
    QProcess mousepad;
    // The running copy's name on the session bus, with its requests handled as the program does.
    DBusInstanceChannel channel;
    bool ownsName = false;
    PaintClock paints;
    double residentAfterStart = 0;
    double anonAfterStart = 0;
    int corrections = 0;
    int hiddenTabLast = 0;
    bool ready = false;

    Rig() {
        SettingsStore::install(&settings);
        settings.setApiKey(QStringLiteral("sk-bench"));
        settings.setApiBaseURL(server.baseUrl());
        server.model.correct = [](const QString& text) { return QString(text).replace("Their", "There"); };
        qApp->installEventFilter(&paints);
        QFile file(dir.filePath(QStringLiteral("note.txt")));
        if (!file.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        file.write("Their is a small mistake in this sentence of ours.");
        file.close();
        mousepad.setStandardErrorFile(QProcess::nullDevice());
        mousepad.start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server"), file.fileName()});
        windows = std::make_unique<CoordinatorWindows>(coordinatorServices(platform));
        coordinator =
            std::make_unique<AppCoordinator>(settings, coordinatorServices(platform), windows->surfaces());
        coordinator->start();
        // Every request is taken: the corrections follow one another faster than the program's
        // one trigger a second from other processes.
        ownsName = channel.claim(
                       [this](InstanceRequest request, std::chrono::milliseconds age) {
                           if (request == InstanceRequest::trigger)
                               coordinator->hotkeyTriggered(
                                   TriggerFreshness::madeAgo(age, platform.scheduler->now()));
                       },
                       {}) == InstanceChannel::Claim::owned;
        ready = test::waitUntil([&] { return windows->overlay.isVisible(); }, 20000);
        test::waitUntil([] { return false; }, 500);
        residentAfterStart = residentMiB();
        anonAfterStart = residentMiB("RssAnon");
    }
    ~Rig() {
        channel.release();
        coordinator.reset();
        mousepad.kill();
        mousepad.waitForFinished(3000);
        SettingsStore::install(nullptr);
    }
    SuggestionViewModel* viewModel() {
        auto* c = coordinator->suggestionPanel();
        return c ? c->viewModel().get() : nullptr;
    }
    /// Opens the panel as the icon's click does; the time until its first paint. Its parts: the
    /// click itself (the window goes up first, and the field is checked and read while the window
    /// manager maps it), the rest of the mapping until the window is exposed, and the program again
    /// until the first paint.
    double clickToPanelMs() {
        server.clear();
        paints.arm(nullptr);
        const Clock::time_point start = Clock::now();
        emit windows->overlay.clicked();
        const Clock::time_point shown = Clock::now();
        if (!coordinator->suggestionPanel())
            return -1;
        paints.arm(static_cast<SuggestionPanelController*>(coordinator->suggestionPanel())->panel());
        if (!runUntil([&] { return paints.painted.has_value(); }, 5000))
            return -1;
        const auto ms = [](Clock::time_point from, Clock::time_point to) {
            return std::chrono::duration<double, std::milli>(to - from).count();
        };
        const Clock::time_point exposed = paints.exposed.value_or(shown);
        clickToShown.push_back(ms(start, shown));
        shownToExposed.push_back(ms(shown, exposed));
        exposedToPainted.push_back(ms(exposed, *paints.painted));
        return ms(start, *paints.painted);
    }
    std::vector<double> clickToShown, shownToExposed, exposedToPainted;
    /// Asks for a correction as `quillet --trigger` does, from a process of its own over the session
    /// bus (the program itself hands nothing to this rig, which is no copy of it), and waits until
    /// both answers are in the panel. False when none came.
    bool triggerAndWait() {
        server.clear();
        QProcess later;
        const qint64 madeAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count();
        later.start(QStringLiteral("gdbus"),
                    {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                     QString::fromLatin1(DBusInstanceChannel::serviceName), QStringLiteral("--object-path"),
                     QString::fromLatin1(DBusInstanceChannel::objectPath), QStringLiteral("--method"),
                     QString::fromLatin1(DBusInstanceChannel::interfaceName) + QStringLiteral(".Trigger"),
                     QStringLiteral("int64 %1").arg(madeAt)});
        const bool loaded = runUntil(
            [&] {
                SuggestionViewModel* vm = viewModel();
                return vm && vm->correction().isLoaded() && vm->rephrase().isLoaded();
            },
            10000);
        later.waitForFinished(5000);
        return loaded;
    }
    /// Waits for both answers; the time from the later one leaving the server to the panel's repaint.
    /// When the later one was the alternatives, for the tab not in view, nothing on screen changes
    /// with it: the correction's answer is timed to its repaint then, and the run is counted.
    double replyToDrawnMs() {
        // The answers may come (and be drawn) before the panel's first paint: the paints since the
        // click are all kept.
        auto answered = [&] {
            return server.requests().size() >= 2 && server.requests().at(0).answeredMs >= 0 &&
                   server.requests().at(1).answeredMs >= 0;
        };
        if (!runUntil(answered, 10000))
            return -1;
        const auto& requests = server.requests();
        const bool firstIsCorrection = requests.at(0).body.contains("You are a proofreader.");
        const Clock::time_point correctionAt = requests.at(firstIsCorrection ? 0 : 1).answeredAt;
        const Clock::time_point last = std::max(requests.at(0).answeredAt, requests.at(1).answeredAt);
        SuggestionViewModel* vm = viewModel();
        if (!runUntil([&] { return vm && vm->correction().isLoaded() && vm->rephrase().isLoaded(); }, 10000))
            return -1;
        const auto paintAfter = [&](Clock::time_point from, int waitMs) -> std::optional<double> {
            std::optional<Clock::time_point> drawn;
            runUntil(
                [&] {
                    for (const Clock::time_point& t : paints.all)
                        if (t >= from && !drawn)
                            drawn = t;
                    return drawn.has_value();
                },
                waitMs);
            if (!drawn)
                return std::nullopt;
            return std::chrono::duration<double, std::milli>(*drawn - from).count();
        };
        if (const std::optional<double> ms = paintAfter(last, last == correctionAt ? 2000 : 300))
            return *ms;
        ++hiddenTabLast;
        return paintAfter(correctionAt, 0).value_or(-1);
    }
    /// Chooses the correction; the panel closes and the text goes back into mousepad.
    void replace() {
        if (SuggestionViewModel* vm = viewModel()) {
            const CorrectionResult* result = vm->correction().result();
            vm->replace(result ? result->corrected : vm->originalText());
            ++corrections;
        }
        test::waitUntil([&] { return !coordinator->suggestionPanel(); }, 5000);
        // The program's event loop deletes closed panels; this bench has no running loop, so it
        // does that step itself.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // A person reads the result and finds the icon again before the next click.
        test::waitUntil([] { return false; }, 500);
    }
};

Rig* rig = nullptr;

// Both times of each correction, a hundred of them in a row, as a user would make them.
void BM_Correction(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("the icon never appeared over mousepad");
    std::vector<double> clickToPanel;
    std::vector<double> replyToDrawn;
    for (std::vector<double>* part : {&rig->clickToShown, &rig->shownToExposed, &rig->exposedToPainted})
        part->clear();
    for (auto _ : state) {
        for (int i = 0; i < state.range(0); ++i) {
            const double panel = rig->clickToPanelMs();
            if (panel < 0)
                return state.SkipWithError("the panel did not paint");
            const double drawn = rig->replyToDrawnMs();
            if (drawn < 0)
                return state.SkipWithError("no result drawn");
            clickToPanel.push_back(panel);
            replyToDrawn.push_back(drawn);
            rig->replace();
        }
    }
    reportSpread(state, "click_to_panel", clickToPanel);
    reportSpread(state, "click_to_shown", rig->clickToShown);
    reportSpread(state, "shown_to_exposed", rig->shownToExposed);
    reportSpread(state, "exposed_to_painted", rig->exposedToPainted);
    reportSpread(state, "reply_to_drawn", replyToDrawn);
    state.counters["reply_hidden_tab_last_runs"] = rig->hiddenTabLast;
    // The first correction pays what is loaded once (fonts, styles): apart, it tells that from the rest.
    if (!clickToPanel.empty()) {
        state.counters["click_to_panel_first_ms"] = clickToPanel.front();
        state.counters["reply_to_drawn_first_ms"] = replyToDrawn.front();
    }
}
BENCHMARK(BM_Correction)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ResidentMemory(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("the icon never appeared over mousepad");
    // After the first correction and the tenth as well: what the first one loads once (fonts, the
    // network stack) is told apart from what every correction leaves behind.
    for (auto _ : state) {
        for (int tries = 0; rig->corrections < state.range(0) && tries < 2 * state.range(0); ++tries) {
            rig->clickToPanelMs();
            rig->replyToDrawnMs();
            rig->replace();
            if (rig->corrections == 1 || rig->corrections == 10) {
                test::waitUntil([] { return false; }, 200);
                state.counters["rss_after_" + std::to_string(rig->corrections) + "_MiB"] = residentMiB();
            }
        }
    }
    test::waitUntil([] { return false; }, 500);
    state.counters["rss_after_start_MiB"] = rig->residentAfterStart;
    state.counters["anon_after_start_MiB"] = rig->anonAfterStart;
    state.counters["rss_after_corrections_MiB"] = residentMiB();
    // Heap and the like, against pages mapped from files (libraries, fonts), which the kernel can drop.
    state.counters["anon_after_corrections_MiB"] = residentMiB("RssAnon");
    state.counters["file_after_corrections_MiB"] = residentMiB("RssFile");
    state.counters["corrections"] = rig->corrections;
}
BENCHMARK(BM_ResidentMemory)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

// Private memory (RssAnon: the heap and the like) after the first ten corrections asked for as
// `quillet --trigger` asks, and after all of them: what every correction leaves behind, apart from
// what the first ones load once. It should stay within a couple of MiB of the tenth.
void BM_TriggerMemory(benchmark::State& state) {
    if (!rig->ready)
        return state.SkipWithError("the icon never appeared over mousepad");
    if (!rig->ownsName)
        return state.SkipWithError("the name on the session bus is held by another copy");
    double anonAfter10 = 0;
    int done = 0;
    for (auto _ : state) {
        for (int tries = 0; done < state.range(0) && tries < 2 * state.range(0); ++tries) {
            if (!rig->triggerAndWait()) {
                rig->coordinator->closeSuggestions();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                continue;
            }
            rig->replace();
            if (++done == 10) {
                test::waitUntil([] { return false; }, 200);
                anonAfter10 = residentMiB("RssAnon");
            }
        }
    }
    test::waitUntil([] { return false; }, 500);
    const double anonAfterAll = residentMiB("RssAnon");
    state.counters["anon_after_10_MiB"] = anonAfter10;
    state.counters["anon_after_all_MiB"] = anonAfterAll;
    state.counters["anon_growth_per_correction_KiB"] =
        done > 10 ? (anonAfterAll - anonAfter10) * 1024 / (done - 10) : 0;
    state.counters["corrections"] = done;
    if (done < state.range(0))
        state.SkipWithError("not every correction came through");
}
BENCHMARK(BM_TriggerMemory)->Arg(500)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    Rig theRig;
    rig = &theRig;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rig = nullptr;
    return 0;
}
