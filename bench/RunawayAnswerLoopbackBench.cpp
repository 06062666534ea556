// Answers no text needs, against the real client and a shown panel: a rephrasing of 10,000 variants,
// and a correction that repeats "la " for ever, each as fast as a server on this machine can write.
// While each runs, a timer ticks every 5 ms: the gaps between its ticks say how long the event loop
// was kept from the user (median, p95, max). Private memory (RssAnon) is read at each tick: at the
// start and its peak. The server notes how much it still wrote after the panel said the answer
// was stopped, and how long the connection stayed open after that.
//   nice build/bench/bench_RunawayAnswerLoopbackBench
#include <benchmark/benchmark.h>

#include "QtBenchmarkMain.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/SuggestionViewModel.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/linux/qt/QtHttpTransport.h"
#include "platform/linux/qt/QtScheduler.h"
#include "support/ScopedSettings.h"
#include "ui/SuggestionView.h"
#include "ui/VariantCard.h"

using namespace quillet;
using Clock = std::chrono::steady_clock;

namespace {

const QString prose = QStringLiteral(
    "Thank you for your message. I have looked at the report and I think we should meet on Thursday to "
    "discuss the numbers before the board meeting next week.");

long rssAnonKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// An HTTP/1.1 server on its own threads, so that its writing never waits on the event loop it
// measures. Each request gets `answer`'s events, as fast as the socket takes them.
class FloodServer {
public:
    // Calls `write` with each event of the answer to `body`; stops when `write` returns false.
    using Answer =
        std::function<void(const std::string& body, const std::function<bool(const std::string&)>&)>;

    explicit FloodServer(Answer answer) : m_answer(std::move(answer)) {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listen, 16);
        socklen_t size = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_accepting = std::thread([this] { accept(); });
    }
    ~FloodServer() {
        m_stopping = true;
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        m_accepting.join();
        {
            std::lock_guard lock(m_mutex);
            for (const int fd : m_fds)
                shutdown(fd, SHUT_RDWR);
        }
        for (std::thread& t : m_connections)
            t.join();
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    /// From now on, bytes written count as written after the stop.
    void markStop() {
        m_stoppedAt = Clock::now();
        m_afterStop = 0;
        m_stopMarked = true;
    }
    long long bytesAfterStop() const { return m_afterStop; }
    /// When the client last closed a connection the server was still writing to, in ms after the
    /// mark (below 0: before it); nullopt when it never did.
    std::optional<double> cutAfterStopMs() const {
        std::lock_guard lock(m_mutex);
        if (!m_cut)
            return std::nullopt;
        return std::chrono::duration<double, std::milli>(*m_cut - m_stoppedAt).count();
    }
    long long bytesWritten() const { return m_written; }

private:
    void accept() {
        while (!m_stopping) {
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                return;
            std::lock_guard lock(m_mutex);
            m_fds.push_back(fd);
            m_connections.emplace_back([this, fd] { serve(fd); });
        }
    }

    bool send(int fd, const std::string& data) {
        for (size_t done = 0; done < data.size();) {
            const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                std::lock_guard lock(m_mutex);
                m_cut = Clock::now();
                return false;
            }
            done += size_t(n);
            m_written += n;
            if (m_stopMarked)
                m_afterStop += n;
        }
        return !m_stopping;
    }

    void serve(int fd) {
        std::string buffer;
        char chunk[65536];
        for (;;) {
            size_t headerEnd;
            while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
                const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0)
                    return finish(fd);
                buffer.append(chunk, size_t(n));
            }
            size_t length = 0;
            if (const size_t at = buffer.find("Content-Length: "); at != std::string::npos && at < headerEnd)
                length = std::stoul(buffer.substr(at + 16));
            while (buffer.size() < headerEnd + 4 + length) {
                const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0)
                    return finish(fd);
                buffer.append(chunk, size_t(n));
            }
            const std::string body = buffer.substr(headerEnd + 4, length);
            buffer.erase(0, headerEnd + 4 + length);
            bool open = send(fd,
                             "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                             "Transfer-Encoding: chunked\r\n\r\n");
            m_answer(body, [&](const std::string& event) {
                char size[32];
                snprintf(size, sizeof size, "%zx\r\n", event.size());
                open = open && send(fd, size + event + "\r\n");
                return open;
            });
            if (!open || !send(fd, "0\r\n\r\n"))
                return finish(fd);
        }
    }

    void finish(int fd) {
        std::lock_guard lock(m_mutex);
        close(fd);
        m_fds.erase(std::find(m_fds.begin(), m_fds.end(), fd));
    }

    Answer m_answer;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_accepting;
    std::list<std::thread> m_connections;
    std::vector<int> m_fds;
    mutable std::mutex m_mutex;
    std::optional<Clock::time_point> m_cut;
    Clock::time_point m_stoppedAt{};
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_stopMarked = false;
    std::atomic<long long> m_written = 0;
    std::atomic<long long> m_afterStop = 0;
};

std::string event(const QString& piece) {
    const QJsonObject choice{{"delta", QJsonObject{{"content", piece}}}};
    return "data: " +
           QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}})
               .toJson(QJsonDocument::Compact)
               .toStdString() +
           "\n\n";
}

bool proofreading(const std::string& body) {
    return body.find("You are a proofreader.") != std::string::npos;
}

// A correction that changes one word, written in a few pieces.
void shortCorrection(const std::function<bool(const std::string&)>& write) {
    const QString answer =
        QStringLiteral("{\"corrected\": \"") + prose + QStringLiteral("\", \"changes\": []}");
    for (qsizetype i = 0; i < answer.size(); i += 16)
        if (!write(event(answer.mid(i, 16))))
            return;
    write("data: [DONE]\n\n");
}

// Three alternatives, each in one piece.
void shortVariants(const std::function<bool(const std::string&)>& write) {
    QStringList variants;
    for (const char* style : {"neutral", "professional", "concise"})
        variants << QStringLiteral("{\"style\": \"%1\", \"text\": \"%2\"}").arg(QLatin1String(style), prose);
    if (write(event(QStringLiteral("{\"variants\": [") + variants.join(QStringLiteral(", ")) +
                    QStringLiteral("]}"))))
        write("data: [DONE]\n\n");
}

// The figures of one run: from loadAll() until both answers are in and `settle` has passed.
void measure(benchmark::State& state, FloodServer& server, std::chrono::milliseconds settle) {
    test::ScopedSettings settings;
    QtScheduler scheduler;
    QtHttpTransport transport;
    FakeLanguageRecognizer languages;
    FakeClipboard clipboard;
    for (auto _ : state) {
        SuggestionViewModel vm(
            prose, OpenAIClient(server.baseUrl(), QString(), "m", transport, scheduler, languages));
        SuggestionView view(vm, clipboard);
        view.show();
        vm.setSelectedTab(1);  // the alternatives in view, where the cards are built
        QCoreApplication::processEvents();
        const long startKb = rssAnonKb();
        long peakKb = startKb;
        std::vector<double> gaps;
        QElapsedTimer clock;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(5);
        qint64 last = 0;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            gaps.push_back(double(now - last) / 1e6);
            last = now;
            peakKb = std::max(peakKb, rssAnonKb());
        });
        clock.start();
        ticks.start();
        vm.loadAll();
        const auto start = Clock::now();
        std::optional<Clock::time_point> over;
        bool stopped = false;
        while (!over || Clock::now() - *over < settle) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            // The runaway answer is the one that fails: from then on its connection should be gone.
            if (!stopped && (vm.correction().isFailed() || vm.rephrase().isFailed())) {
                stopped = true;
                server.markStop();
            }
            if (!over && !vm.correction().isLoading() && !vm.rephrase().isLoading())
                over = Clock::now();
            // Past this the answers are stuck, and the figures say so.
            if (Clock::now() - start > std::chrono::seconds(20))
                break;
        }
        ticks.stop();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        std::sort(gaps.begin(), gaps.end());
        state.counters["gap_median_ms"] = gaps[gaps.size() / 2];
        state.counters["gap_p95_ms"] = gaps[std::min(gaps.size() - 1, gaps.size() * 95 / 100)];
        state.counters["gap_max_ms"] = gaps.back();
        state.counters["rss_anon_start_MB"] = double(startKb) / 1024;
        state.counters["rss_anon_peak_MB"] = double(peakKb) / 1024;
        state.counters["answers_over_s"] = over ? std::chrono::duration<double>(*over - start).count() : -1;
        state.counters["server_MB_written"] = double(server.bytesWritten()) / 1e6;
        state.counters["server_KB_after_stop"] = double(server.bytesAfterStop()) / 1e3;
        // The connection cut by the client, when the panel said the answer was stopped.
        state.counters["cut_after_stop_ms"] = server.cutAfterStopMs().value_or(-1e9);
        state.SetLabel((vm.correction().isFailed() ? vm.correction().message().toStdString() : "correction") +
                       " | " +
                       (vm.rephrase().isFailed() ? vm.rephrase().message().toStdString() : "variants"));
        state.counters["cards"] = double(view.findChildren<VariantCard*>().size());
    }
}

void BM_TenThousandStreamedVariants(benchmark::State& state) {
    FloodServer server([](const std::string& body, const std::function<bool(const std::string&)>& write) {
        if (proofreading(body))
            return shortCorrection(write);
        if (!write(event(QStringLiteral("{\"variants\": ["))))
            return;
        for (int i = 0; i < 10000; ++i) {
            const QString variant = QStringLiteral("%1{\"style\": \"neutral\", \"text\": \"Variant %2: %3\"}")
                                        .arg(i ? QStringLiteral(", ") : QString())
                                        .arg(i)
                                        .arg(prose);
            if (!write(event(variant)))
                return;
        }
        write(event(QStringLiteral("]}")));
        write("data: [DONE]\n\n");
    });
    measure(state, server, std::chrono::seconds(2));
}
BENCHMARK(BM_TenThousandStreamedVariants)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_EndlessCorrection(benchmark::State& state) {
    FloodServer server([](const std::string& body, const std::function<bool(const std::string&)>& write) {
        if (!proofreading(body))
            return shortVariants(write);
        while (write(event(QStringLiteral("la ")))) {
        }
    });
    measure(state, server, std::chrono::seconds(2));
}
BENCHMARK(BM_EndlessCorrection)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::runOffscreen(argc, argv);
}
