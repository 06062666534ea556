// One application of the compatibility suite, driven as a person would on a private desktop: Quillet
// starts first, as at login; the application opens a document of several paragraphs; the icon, the
// self-check, a correction by the icon, by the shortcut with and without a selection, and each Undo.
//
//   compat_driver APP             prints one result row; exit 0 when every step passed or failed
//                                 as tests/compat/known-issues.txt expects
//   compat_driver --latency APP   prints how long the icon took once the text held the focus, in ms
//                                 (tools/icon-latency.sh runs it many times, each in its own session)
//
// With QUILLET_COMPAT_TIMED set (tools/compat.sh), an icon later than a second after the click fails.
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>

#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// Spelled out here: kDocument below is made before any other file's constants are.
const QString kFirst = QStringLiteral("Their is a mistak in this sentence.");
const QString kFirstFixed = QStringLiteral("There is a mistake in this sentence.");
// Several paragraphs; the later ones hold emoji (one with a joiner, one a flag) and combining marks.
const QString kDocument =
    kFirst + QStringLiteral(
                 "\n\nThe second paragraph stays exactly as it is, with a smile \U0001F642 and a cafe"
                 "\u0301 on the corner.\n\nThird: na\u0131\u0308ve fac\u0327ade, a coder "
                 "\U0001F469\u200D\U0001F4BB and a flag \U0001F1F7\U0001F1F8 at the end.");
// The steps, in order; also the columns of the table and the names known-issues.txt uses.
const QStringList kSteps = {"icon",      "doctor",         "icon-return", "icon-undo",
                            "selection", "selection-undo", "whole",       "whole-undo"};

struct AppProfile {
    QString name, kind, group;
    QString command;
    QString windowTitle;  // a pattern for the window to work in, where the application opens several
};

// The rows of tests/compat/FILE, split at tabs, that begin with `app`.
QList<QStringList> rowsFor(const QString& file, const QString& app) {
    QFile in(sourcePath("tests/compat/" + file));
    in.open(QIODevice::ReadOnly);
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(in.readAll()).split('\n'))
        if (!line.startsWith('#') && line.section('\t', 0, 0) == app)
            rows << line.split('\t');
    return rows;
}

std::optional<AppProfile> profile(const QString& name) {
    for (const QStringList& cols : rowsFor("apps.txt", name))
        if (cols.size() >= 4)
            return AppProfile{cols[0], cols[1], cols[2], cols[3], cols.value(4)};
    return std::nullopt;
}

// "step" -> reason, for the steps of `app` expected to fail today.
QMap<QString, QString> knownIssues(const QString& app) {
    QMap<QString, QString> known;
    for (const QStringList& cols : rowsFor("known-issues.txt", app))
        if (cols.size() >= 2)
            known.insert(cols[1].trimmed(), cols.value(2));
    return known;
}

// Reads of the display made in this process, quick enough to time the icon by: no program started
// for each look.
namespace X11 {
// One long-sized value of a window's property; 0 when it has none.
unsigned long property(Window window, const char* name, Atom type) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* d = x11 ? x11->display() : nullptr;
    if (!d || !window)
        return 0;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0, value = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, XInternAtom(d, name, False), 0, 1, False, type, &actual, &format,
                           &count, &after, &data) == Success &&
        data && count == 1)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    return value;
}
Window activeWindow() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? property(DefaultRootWindow(x11->display()), "_NET_ACTIVE_WINDOW", XA_WINDOW) : 0;
}
qint64 windowPid(Window window) {
    return qint64(property(window, "_NET_WM_PID", XA_CARDINAL));
}
}  // namespace X11

class Run {
public:
    explicit Run(AppProfile app) : m_app(std::move(app)) {}
    ~Run() { stopApp(); }

    bool startQuillet() {
        quillet.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Without a tray the settings open at every start: closed first, as a person would, so that
        // they cannot come up over the application later.
        return quillet.ready() && quillet.start() && closeStartupSettings();
    }

    // Starts the application on the document, with the profile of tests/compat/profiles/APP where
    // there is one; true once its window is up and it is on the accessibility bus. Leading NAME=value
    // words of the command go into its environment.
    bool startApp() {
        if (!launchApp() || appWindow(60000).isEmpty())
            return false;
        appPid = xdotool({"getwindowpid", appWindow()}).toLongLong();
        // Ready once its text reads: the document is open.
        return appPid > 0 && waitUntil([&] { return !readAccessible(appPid).isEmpty(); }, 30000) &&
               waitUntil([&] { return text().has_value(); }, 30000);
    }
    bool launchApp() {
        const QString profileDir = dir.filePath("profile");
        QDir().mkpath(profileDir);
        const QDir prepared(sourcePath("tests/compat/profiles/" + m_app.name));
        for (const QString& file : prepared.entryList(QDir::Files))
            QFile::copy(prepared.filePath(file), QDir(profileDir).filePath(file));
        QStringList args;
        for (const QString& part : m_app.command.split(' ', Qt::SkipEmptyParts))
            args << QString(part)
                        .replace("{doc}", docPath())
                        .replace("{text}", kDocument)
                        .replace("{page}", QUrl::fromLocalFile(pagePath()).toString())
                        .replace("{profile}", profileDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        while (!args.isEmpty() && QRegularExpression("^[A-Z_]+=").match(args.first()).hasMatch()) {
            const QString assignment = args.takeFirst();
            env.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
        }
        app.setProcessEnvironment(env);
        app.setProgram(args.takeFirst());
        app.setArguments(args);
        app.setStandardOutputFile(QProcess::nullDevice());
        app.setStandardErrorFile(QProcess::nullDevice());
        // Its own process group: launchers that start the real program as a child go with it.
        app.setChildProcessModifier([] { ::setpgid(0, 0); });
        app.start();
        return app.waitForStarted(5000);
    }
    void stopApp() {
        if (app.state() == QProcess::NotRunning)
            return;
        ::kill(-pid_t(app.processId()), SIGKILL);
        app.waitForFinished(5000);
        window.clear();
    }
    // The processes the application's start made: those of its process group.
    QStringList groupPids() {
        QStringList pids;
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + entry + "/stat");
            if (!entry.front().isDigit() || !stat.open(QIODevice::ReadOnly))
                continue;
            // pid (comm) state ppid pgrp ...: the name may hold spaces, the fields after it do not.
            const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
            if (fields.size() > 2 && fields[2].toLongLong() == app.processId())
                pids << entry;
        }
        return pids;
    }
    QString appWindow(int timeoutMs = 10000) {
        if (window.isEmpty())
            waitUntil(
                [&] {
                    if (!m_app.windowTitle.isEmpty()) {
                        window = xdotool({"search", "--onlyvisible", "--name", m_app.windowTitle})
                                     .section('\n', -1);
                        return !window.isEmpty();
                    }
                    for (const QString& pid : groupPids()) {
                        window = xdotool({"search", "--onlyvisible", "--pid", pid}).section('\n', -1);
                        if (!window.isEmpty())
                            return true;
                    }
                    return false;
                },
                timeoutMs);
        return window;
    }
    QRect windowGeometry() {
        QMap<QString, int> g;
        for (const QString& line : xdotool({"getwindowgeometry", "--shell", appWindow()}).split('\n')) {
            const QStringList kv = line.split('=');
            if (kv.size() == 2)
                g[kv[0]] = kv[1].toInt();
        }
        return QRect(g.value("X"), g.value("Y"), g.value("WIDTH"), g.value("HEIGHT"));
    }
    // A click into the middle of the window, where every application of the suite has its text.
    // `clicking` is told just before the click goes out, after the window came to the front.
    void clickIntoText(const std::function<void()>& clicking = {}) {
        xdotool({"windowactivate", "--sync", appWindow()});
        const QPoint c = windowGeometry().center();
        xdotool({"mousemove", "--sync", QString::number(c.x()), QString::number(c.y())});
        if (clicking)
            clicking();
        xdotool({"click", "1"});
    }
    std::optional<QString> text(bool selection = false) { return fieldText(appPid, selection); }
    QString shown(const std::optional<QString>& t) {
        if (!t)
            return "nothing readable";
        QString s = *t;
        return "\"" + s.replace('\n', "\\n").left(90) + (t->size() > 90 ? "…\"" : "\"");
    }
    // A text that should have read `want`: from where the two part, when that is far in.
    QString shown(const std::optional<QString>& t, const QString& want) {
        if (!t)
            return shown(t);
        qsizetype at = 0;
        while (at < t->size() && at < want.size() && t->at(at) == want.at(at))
            ++at;
        if (at < 60)
            return shown(t);
        return shown(t->mid(at - 20)) + QString(" from character %1, where it should read ").arg(at - 20) +
               shown(want.mid(at - 20));
    }

    QString docPath() { return dir.filePath("document.txt"); }
    QString pagePath() { return dir.filePath("page.html"); }
    void writeDocuments() {
        QFile doc(docPath());
        doc.open(QIODevice::WriteOnly);
        doc.write(kDocument.toUtf8() + "\n");
        QFile page(pagePath());
        page.open(QIODevice::WriteOnly);
        page.write(
            "<!DOCTYPE html><meta charset=utf-8><title>Compose</title><style>html,body{margin:0;height:100%}"
            "textarea{box-sizing:border-box;width:100%;height:100%}</style><textarea autofocus>" +
            kDocument.toHtmlEscaped().toUtf8() + "</textarea>");
    }

    /// Step "icon": how long after the click the icon took, where it is. Empty reason: passed.
    QString iconStep(qint64* latencyMs = nullptr) {
        QElapsedTimer timer;
        clickIntoText([&] { timer.start(); });
        qint64 took = -1;
        waitUntil(
            [&] {
                if (!iconMapped())
                    return false;
                took = timer.elapsed();
                return true;
            },
            10000);
        if (latencyMs)
            *latencyMs = took;
        if (took < 0)
            return "no icon within 10 s of the click";
        std::optional<QRect> icon;
        waitUntil([&] { return (icon = surfaceShown(Surface::icon)).has_value(); }, 5000);
        if (!icon)
            return "the icon went again";
        iconRect = *icon;
        if (!windowGeometry().contains(*icon))
            return QString("icon at (%1,%2), outside the window").arg(icon->x()).arg(icon->y());
        iconMs = took;
        // A time is a figure, not a test: on a machine busy with other tests it says little. The
        // table of tools/compat.sh, made on a quiet machine, holds the icon to a second.
        if (took > 1000 && qEnvironmentVariableIsSet("QUILLET_COMPAT_TIMED"))
            return QString("icon after %1 ms").arg(took);
        return {};
    }
    /// Step "doctor": the self-check finds the field; its frame puts the icon where it is.
    QString doctorStep() {
        // Asked again while the application is still settling its focus on a busy machine.
        QString out;
        waitUntil(
            [&] {
                runProgram(quilletBinary(), {"--doctor"}, &out);
                return out.contains("\u2713 Recognized as editable text field");
            },
            10000);
        if (!out.contains("\u2713 Recognized as editable text field"))
            return "--doctor: " + out.section('\n', 5, 5).trimmed();
        const QRegularExpressionMatch m =
            QRegularExpression("AX frame \\(top-left\\): \\((-?\\d+),(-?\\d+)\\) (\\d+)\u00D7(\\d+)")
                .match(out);
        if (!m.hasMatch() || iconRect.isNull())
            return {};
        const QRect field(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                          m.captured(4).toInt());
        const QRect visible = field.intersected(QRect(0, 0, 1440, 900));
        if (std::abs(iconRect.right() + 1 - (visible.right() + 1 - 8)) > 2 ||
            std::abs(iconRect.bottom() + 1 - (visible.bottom() + 1 - 8)) > 2)
            return QString("icon at (%1,%2), field (%3,%4) %5×%6")
                .arg(iconRect.x())
                .arg(iconRect.y())
                .arg(field.x())
                .arg(field.y())
                .arg(field.width())
                .arg(field.height());
        return {};
    }
    bool panelShows(const QString& t) { return quillet.shows(t); }
    /// Waits for the panel with the correction, presses Return, and checks what was written.
    QString chooseCorrection(const QString& expected) {
        if (!waitUntil([&] { return surfaceShown(Surface::panel).has_value(); }, 10000))
            return "the panel did not open";
        if (!waitUntil([&] { return panelShows(kFirstFixed); }, 10000))
            return "the correction did not arrive";
        const int toastsBefore = surfaceShown(Surface::toast).has_value();
        xdotool({"key", "Return"});
        std::optional<QString> now;
        const bool written = waitUntil([&] { return (now = text()) == expected; }, 8000);
        const bool toast =
            waitUntil([&] { return surfaceShown(Surface::toast).has_value(); }, 3000) && !toastsBefore;
        if (!written)
            return (toast ? "success notice, but the text reads " : "the text reads ") + shown(now, expected);
        if (!toast)
            return "written, but no notice with Undo";
        return {};
    }
    QString undo(const QString& original) {
        if (!surfaceShown(Surface::toast))
            return "no notice to undo from";
        quillet.press("Undo");
        std::optional<QString> now;
        if (!waitUntil([&] { return (now = text()) == original; }, 8000))
            return "after Undo the text reads " + shown(now, original);
        return {};
    }
    // Ctrl+Home, Shift+End in the application's window; true once the application shows exactly the
    // first paragraph selected. The keys are sent again when they went nowhere (the window was not
    // yet taking the keyboard).
    bool selectFirstParagraph() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            xdotool({"windowactivate", "--sync", appWindow()});
            xdotool({"key", "--delay", "100", "ctrl+Home", "shift+End"});
            if (waitUntil([&] { return text(true) == kFirst; }, 4000))
                return true;
        }
        return false;
    }
    bool pressShortcut() {
        for (int i = 0; i < 3; ++i) {
            xdotool({"key", "super+shift+g"});
            if (waitUntil([&] { return surfaceShown(Surface::panel).has_value(); }, 6000))
                return true;
        }
        return false;
    }
    void waitToastGone() {
        waitUntil([&] { return !surfaceShown(Surface::toast).has_value(); }, 12000);
    }

    // Every step, in order; a step that cannot run for an earlier failure says so.
    QMap<QString, QString> runAll() {
        QMap<QString, QString> r;
        writeDocuments();
        if (!startQuillet()) {
            for (const QString& s : kSteps)
                r[s] = "Quillet did not start";
            return r;
        }
        if (!startApp()) {
            appMissing = true;
            for (const QString& s : kSteps)
                r[s] = "the application did not start or never joined the accessibility bus";
            return r;
        }
        r["icon"] = iconStep();
        r["doctor"] = doctorStep();
        // Where each paragraph is a field of its own (an office document), the click below the text
        // put the caret in the last one: to the start, as a person would.
        std::optional<QString> read = text();
        if (read && !read->contains(kFirst)) {
            xdotool({"key", "ctrl+Home"});
            waitUntil([&] { return (read = text()) && read->contains(kFirst); }, 5000);
        }
        if (!read || !read->contains(kFirst)) {
            for (const QString& s : kSteps.mid(2))
                r[s] = "the document reads " + shown(read);
            return r;
        }
        const QString original = *read;
        const QString whole = mendMistakes(original);

        if (surfaceShown(Surface::icon)) {
            const QPoint c = surfaceShown(Surface::icon)->center();
            xdotool({"mousemove", "--sync", QString::number(c.x()), QString::number(c.y()), "click", "1"});
            r["icon-return"] = chooseCorrection(whole);
            r["icon-undo"] = r["icon-return"].isEmpty() ? undo(original) : "nothing to undo";
        } else {
            r["icon-return"] = r["icon-undo"] = "no icon";
        }
        waitToastGone();
        if (text() != original)
            return r;

        // The first paragraph selected from the keyboard, then the shortcut.
        if (!selectFirstParagraph()) {
            r["selection"] =
                "the first paragraph could not be selected: the selection reads " + shown(text(true));
            return r;
        }
        const qsizetype asked = quillet.server.requests().size();
        if (!pressShortcut()) {
            r["selection"] = "no panel after the shortcut";
        } else {
            // Both requests of the panel carry the text it was opened for.
            waitUntil([&] { return quillet.server.requests().size() >= asked + 2; }, 10000);
            std::optional<QString> wrong;
            for (qsizetype i = asked; i < quillet.server.requests().size(); ++i) {
                if (const QString t = LoopbackHttpServer::userText(quillet.server.requests().at(i).body);
                    t != kFirst)
                    wrong = t;
            }
            if (quillet.server.requests().size() < asked + 2)
                r["selection"] = "the panel asked for nothing";
            else
                r["selection"] = wrong ? "sent " + shown(wrong) : chooseCorrection(whole);
            if (surfaceShown(Surface::panel))
                xdotool({"key", "Escape"});
            r["selection-undo"] = r["selection"].isEmpty() ? undo(original) : "nothing to undo";
        }
        waitToastGone();
        if (text() != original)
            return r;

        xdotool({"windowactivate", "--sync", appWindow()});
        // The caret at the end of the first line, nothing selected: the whole field goes.
        xdotool({"key", "--delay", "100", "ctrl+Home", "End"});
        if (!waitUntil([&] { return text(true) == QString(); }, 5000)) {
            r["whole"] = "the selection stayed: it reads " + shown(text(true));
            return r;
        }
        if (!pressShortcut()) {
            r["whole"] = "no panel after the shortcut";
        } else {
            r["whole"] = chooseCorrection(whole);
            r["whole-undo"] = r["whole"].isEmpty() ? undo(original) : "nothing to undo";
        }
        return r;
    }

    QuilletUnderTest quillet;
    QTemporaryDir dir;
    QProcess app;
    QString window;
    qint64 appPid = 0;  // the process that owns the window (a launcher's child, for some)
    QRect iconRect;
    qint64 iconMs = -1;
    bool appMissing = false;

private:
    AppProfile m_app;
};

// How long the icon takes once the field holds the focus, in an application started after Quillet:
// from the moment the application's window is active (its text has the focus from the start), or,
// where no icon came within 5 s of that, from a click into the text. Prints "start MS" or "click MS";
// exit status 1 when no icon came at all.
int latency(const AppProfile& profile) {
    Run run(profile);
    run.writeDocuments();
    if (!run.startQuillet() || !run.launchApp())
        return 2;
    QElapsedTimer clock;
    clock.start();
    qint64 active = -1, shown = -1;
    const QSet<qint64> own{run.quillet.pid()};
    waitUntil(
        [&] {
            if (active < 0) {
                const qint64 pid = X11::windowPid(X11::activeWindow());
                if (pid > 0 && !own.contains(pid) && run.groupPids().contains(QString::number(pid)))
                    active = clock.elapsed();
                return false;
            }
            if (iconMapped())
                shown = clock.elapsed();
            return shown >= 0 || clock.elapsed() - active > 5000;
        },
        60000);
    if (active >= 0 && shown >= 0) {
        std::printf("start %lld\n", shown - active);
        return 0;
    }
    if (!run.startApp())
        return 2;
    qint64 took = -1;
    run.iconStep(&took);
    std::printf("click %lld\n", took);
    return took < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool measure = args.size() == 2 && args[0] == "--latency";
    if (measure)
        args.removeFirst();
    std::optional<AppProfile> app = args.size() == 1 ? profile(args[0]) : std::nullopt;
    if (!app) {
        std::fprintf(stderr, "usage: compat_driver [--latency] APP (one of tests/compat/apps.txt)\n");
        return 2;
    }
    if (measure)
        return latency(*app);

    Run run(*app);
    const QMap<QString, QString> results = run.runAll();
    const QMap<QString, QString> known = knownIssues(app->name);
    // One row: application, kind, then each step as ✓ or ✗ with its reason.
    QString row = app->name + '\t' + app->kind;
    bool unexpected = false;
    for (const QString& step : kSteps) {
        const QString reason = results.value(step, "not reached");
        const QString& key = step;
        QString passed = QStringLiteral("\u2713");
        if (step == "icon" && run.iconMs >= 0)
            passed += QString(" %1 ms").arg(run.iconMs);
        row += '\t' + (reason.isEmpty() ? passed : QStringLiteral("\u2717 ") + reason);
        // "start" in known-issues.txt: the application may fail to reach the accessibility bus at all.
        if (!reason.isEmpty() && !known.contains(key) && !(run.appMissing && known.contains("start")))
            unexpected = true;
        if (reason.isEmpty() && known.contains(key))
            std::fprintf(stderr, "%s: \"%s\" passes now: remove it from tests/compat/known-issues.txt\n",
                         qPrintable(app->name), qPrintable(key));
    }
    std::printf("%s\n", row.toUtf8().constData());
    if (const QByteArray out = qgetenv("QUILLET_COMPAT_RESULTS"); !out.isEmpty()) {
        QFile file(QString::fromLocal8Bit(out));
        file.open(QIODevice::Append);
        file.write(row.toUtf8() + '\n');
    }
    return unexpected ? 1 : 0;
}
