// One application of the compatibility suite, driven as a person would on a private desktop: Quillet
// starts first, as at login; the application opens a document of several paragraphs (one line, in a
// single-line field); the icon, the self-check, a correction by the icon, by the shortcut with and
// without a selection, and each Undo, the user's clipboard checked after each (in a rich-text editor
// of a web page, its formatting too); for a browser, the icon in a second process of it.
//
//   compat_driver APP             prints one result row; exit 0 when every step passed or failed
//                                 as tools/compat/known-issues.txt expects
//   compat_driver --latency APP   prints how long the icon took once the text held the focus, in ms
//                                 (tools/icon-latency.sh runs it many times, each in its own session)
//
// With QUILLET_COMPAT_TIMED set (tools/compat.sh), an icon later than a second after the click fails.
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>

#include "compat/AppUnderTest.h"
#include "compat/CompatApps.h"
#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

class Run : public AppUnderTest {
public:
    explicit Run(AppProfile app) : AppUnderTest(std::move(app)) {}

    bool startQuillet() {
        quillet.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Without a tray the settings open at every start: closed first, as a person would, so that
        // they cannot come up over the application later.
        return quillet.ready() && quillet.start() && closeStartupSettings();
    }

    // Starts the application on the document, with the profile of tools/compat/profiles/APP where
    // there is one; true once its window is up and its text reads. In a search bar, the line is
    // typed in first.
    bool startApp() {
        if (!launch(app, "profile", pagePath()) || appWindow(60000).isEmpty())
            return false;
        appPid = xdotool({"getwindowpid", appWindow()}).toLongLong();
        if (appPid <= 0)
            return false;
        // A page that keeps its text in the title has it there once its editor is up.
        if (m_app.blind() || m_app.readsTitle())
            return waitUntil([&] { return text().has_value(); }, 30000);
        if (!waitUntil([&] { return !readAccessible(appPid).isEmpty(); }, 30000))
            return false;
        if (m_app.searchBar()) {
            xdotool({"windowactivate", "--sync", appWindow()});
            settle(500);
            xdotool({"key", "ctrl+f"});
            settle(500);
            xdotool({"type", "--delay", "20", kTypedLine});
        }
        return waitUntil([&] { return text().has_value() && (!m_app.searchBar() || text() == kTypedLine); },
                         30000);
    }
    /// Step "icon": how long after the click the icon took, where it is. Empty reason: passed.
    QString iconStep(qint64* latencyMs = nullptr) {
        QElapsedTimer timer;
        clickIntoText(appWindow(), appPid, [&] { timer.start(); });
        const QString reason = awaitIcon(timer, windowGeometry(), latencyMs);
        if (reason.isEmpty() && latencyMs)
            iconMs = *latencyMs;
        return reason;
    }
    QString awaitIcon(const QElapsedTimer& timer, const QRect& windowFrame, qint64* latencyMs) {
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
        if (!windowFrame.contains(*icon))
            return QString("icon at (%1,%2), outside the window").arg(icon->x()).arg(icon->y());
        // A time is a figure, not a test: on a machine busy with other tests it says little. The
        // table of tools/compat.sh, made on a quiet machine, holds the icon to a second.
        if (took > 1000 && qEnvironmentVariableIsSet("QUILLET_COMPAT_TIMED"))
            return QString("icon after %1 ms").arg(took);
        return {};
    }
    /// Step "doctor": the self-check finds the field; its frame puts the icon where it is: in the
    /// corner of a tall field, beside a short one.
    QString doctorStep() {
        // Asked again while the application is still settling its focus on a busy machine; once
        // where the self-check is known not to find the field.
        QString out;
        waitUntil(
            [&] {
                runProgram(quilletBinary(), {"--doctor"}, &out);
                return out.contains("\u2713 Recognized as editable text field");
            },
            knownIssues(m_app.name).contains("doctor") ? 0 : 10000);
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
        // A one-line field has it outside, over none of its text: beside it, else over or under its end.
        if (field.height() < 48)
            return iconRect.intersects(field) ? "the icon covers the field's text" : QString();
        const QPoint want(visible.right() + 1 - 8 - 24, visible.bottom() + 1 - 8 - 24);
        // A page still laying out when the icon first came has it follow the field's final frame.
        waitUntil(
            [&] {
                if (const std::optional<QRect> now = surfaceShown(Surface::icon))
                    iconRect = *now;
                return (iconRect.topLeft() - want).manhattanLength() <= 4;
            },
            5000);
        if ((iconRect.topLeft() - want).manhattanLength() > 4)
            return QString("icon at (%1,%2), field (%3,%4) %5×%6")
                .arg(iconRect.x())
                .arg(iconRect.y())
                .arg(field.x())
                .arg(field.y())
                .arg(field.width())
                .arg(field.height());
        return {};
    }
    /// Waits for the panel with the correction, presses Return, and checks what was written and that
    /// the user's clipboard is back.
    QString chooseCorrection(const QString& expected) {
        if (!waitUntil([&] { return surfaceShown(Surface::panel).has_value(); }, 10000))
            return "the panel did not open";
        if (!waitUntil([&] { return quillet.shows(kFirstFixed); }, 10000))
            return "the correction did not arrive";
        const int toastsBefore = surfaceShown(Surface::toast).has_value();
        xdotool({"key", "Return"});
        awaitQuillet();
        std::optional<QString> now;
        const bool written = waitUntil(
            [&] {
                now = text();
                return now.has_value() && *now == expected;
            },
            8000);
        const bool toast =
            waitUntil([&] { return surfaceShown(Surface::toast).has_value(); }, 3000) && !toastsBefore;
        if (!written)
            return (toast ? "success notice, but the text reads " : "the text reads ") + shown(now, expected);
        if (!toast)
            return "written, but no notice with Undo";
        if (const QString clipboard = usersClipboardBack(); !clipboard.isEmpty())
            return "written, but " + clipboard;
        return {};
    }
    // Where reading the text takes keys of its own (Control+S), they wait until Quillet's are over:
    // the user's clipboard back, or long enough for it.
    void awaitQuillet() {
        if (!m_app.readsSaved())
            return;
        usersClipboardBack(4000);
        settle(500);
    }
    QString undo(const QString& original) {
        if (!surfaceShown(Surface::toast))
            return "no notice to undo from";
        quillet.press("Undo");
        awaitQuillet();
        std::optional<QString> now;
        if (!waitUntil(
                [&] {
                    now = text();
                    return now.has_value() && *now == original;
                },
                8000))
            return "after Undo the text reads " + shown(now, original);
        if (const QString clipboard = usersClipboardBack(); !clipboard.isEmpty())
            return "undone, but " + clipboard;
        return {};
    }
    // The first paragraph selected character by character from its start, as a person does with
    // Shift+Right (Shift+End would stop at the first wrapped line of a narrow window); true once the
    // application shows exactly it selected. The keys are sent again when they went nowhere.
    bool selectFirstParagraph() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            xdotool({"windowactivate", "--sync", appWindow()});
            toTextStart();
            // A page in a wide window holds it on one line: one key, where dozens come doubled now
            // and then from a browser engine busy with them.
            if (m_app.readsTitle())
                xdotool({"key", "shift+End"});
            else
                xdotool(
                    {"key", "--delay", "15", "--repeat", QString::number(caretStops(kFirst)), "shift+Right"});
            if (waitUntil([&] { return text(true) == kFirst; }, 4000))
                return true;
        }
        return false;
    }
    // The caret to the start of the text. In a page Control+Home is not enough: WebKitGTK's editing
    // hosts leave the caret where it is; the caret goes up line by line as well (two paragraphs).
    void toTextStart() {
        xdotool({"key", "--delay", "100", m_app.singleLine() ? "Home" : "ctrl+Home"});
        if (m_app.readsTitle())
            xdotool({"key", "--delay", "50", "Up", "Up", "Up", "Home"});
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
    /// Step "second": a second process of the browser, started now on a page of its own, gets the
    /// icon in its text area too.
    QString secondProcessStep() {
        if (!launch(second, "second-profile", pagePath("second.html")))
            return "the second process did not start";
        const QString id = windowOf(second.processId(), 60000);
        if (id.isEmpty())
            return "the second process showed no window";
        const qint64 pid = xdotool({"getwindowpid", id}).toLongLong();
        waitUntil([&] { return !readAccessible(pid).isEmpty(); }, 30000);
        QElapsedTimer timer;
        clickIntoText(id, pid, [&] { timer.start(); });
        qint64 took = -1;
        return awaitIcon(timer, geometryOf(id), &took);
    }

    /// Step "format": after every correction and every Undo that wrote the text as it should read,
    /// the page's bold word is still bold and its link still a link. `reason` is the step's result,
    /// returned as it is.
    QString checkFormat(const QString& reason, const QString& after) {
        if (!reason.isEmpty() || !m_app.keepsFormat())
            return reason;
        ++formatChecks;
        const QString lost = formattingLost(pageHtml().value_or(QString()));
        if (formatFault.isEmpty() && !lost.isEmpty())
            formatFault = "after " + after + ", " + lost;
        return reason;
    }

    // Every step, in order; a step that cannot run for an earlier failure says so.
    QMap<QString, QString> runAll() {
        QMap<QString, QString> r = runSteps();
        if (!m_app.keepsFormat())
            r.insert("format", kNotApplicable);
        else if (!r.contains("format"))
            r.insert("format", formatChecks ? formatFault : QStringLiteral("nothing was written"));
        return r;
    }
    QMap<QString, QString> runSteps() {
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
                r[s] = "the application did not start or never showed its text";
            return r;
        }
        if (!m_app.secondProcess())
            r["second"] = kNotApplicable;
        if (m_app.blind()) {
            // Nothing to put an icon on, or for the self-check to find: the shortcut is the way.
            for (const char* s : {"icon", "doctor", "icon-return", "icon-undo"})
                r[s] = kNotApplicable;
            xdotool({"windowactivate", "--sync", appWindow()});
        } else {
            r["icon"] = iconStep(&iconMs);
            r["doctor"] = doctorStep();
        }
        // Where each paragraph is a field of its own (an office document), the click below the text
        // put the caret in the last one: to the start, as a person would.
        std::optional<QString> read = text();
        if (read && !read->contains(kFirst)) {
            xdotool({"key", "ctrl+Home"});
            waitUntil([&] { return (read = text()) && read->contains(kFirst); }, 5000);
        }
        if (!read || !read->contains(kFirst)) {
            for (const QString& s : kSteps.mid(2))
                r.insert(s, r.value(s, "the document reads " + shown(read)));
            return r;
        }
        const QString original = *read;
        const QString whole = mendMistakes(original);

        if (!m_app.blind()) {
            offerUsersClipboard();
            if (surfaceShown(Surface::icon)) {
                const QPoint c = surfaceShown(Surface::icon)->center();
                xdotool(
                    {"mousemove", "--sync", QString::number(c.x()), QString::number(c.y()), "click", "1"});
                r["icon-return"] = checkFormat(chooseCorrection(whole), "the icon's correction");
                r["icon-undo"] =
                    r["icon-return"].isEmpty() ? checkFormat(undo(original), "its Undo") : "nothing to undo";
            } else {
                r["icon-return"] = r["icon-undo"] = "no icon";
            }
            waitToastGone();
            if (text() != original)
                return r;
        }

        // The first paragraph selected from the keyboard, then the shortcut. The user's clipboard
        // goes up after the selection: some applications (AbiWord) take the clipboard as they select.
        if (!selectFirstParagraph()) {
            r["selection"] =
                "the first paragraph could not be selected: the selection reads " + shown(text(true));
            return r;
        }
        offerUsersClipboard();
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
                r["selection"] = wrong ? "sent " + shown(wrong)
                                       : checkFormat(chooseCorrection(whole), "the selection's correction");
            if (surfaceShown(Surface::panel))
                xdotool({"key", "Escape"});
            r["selection-undo"] =
                r["selection"].isEmpty() ? checkFormat(undo(original), "its Undo") : "nothing to undo";
        }
        waitToastGone();
        if (text() != original)
            return r;

        offerUsersClipboard();
        xdotool({"windowactivate", "--sync", appWindow()});
        // The caret at the end of the first line, nothing selected: the whole field goes.
        toTextStart();
        xdotool({"key", "End"});
        if (!m_app.blind() && !waitUntil([&] { return text(true) == QString(); }, 5000)) {
            r["whole"] = "the selection stayed: it reads " + shown(text(true));
            return r;
        }
        if (m_app.blind()) {
            // Nothing can be read there without a selection: the shortcut only beeps.
            r["whole"] = r["whole-undo"] = kNotApplicable;
        } else if (!pressShortcut()) {
            r["whole"] = "no panel after the shortcut";
        } else {
            r["whole"] = checkFormat(chooseCorrection(whole), "the whole text's correction");
            r["whole-undo"] =
                r["whole"].isEmpty() ? checkFormat(undo(original), "its Undo") : "nothing to undo";
        }
        if (m_app.secondProcess())
            r["second"] = secondProcessStep();
        return r;
    }

    QuilletUnderTest quillet;
    QRect iconRect;
    qint64 iconMs = -1;
    bool appMissing = false;
    int formatChecks = 0;
    QString formatFault;
};

// How long the icon takes once the field holds the focus, in an application started after Quillet:
// from the moment the application's window is active (its text has the focus from the start), or,
// where no icon came within 5 s of that, from a click into the text. Prints "start MS" or "click MS";
// exit status 1 when no icon came at all.
int latency(const AppProfile& profile) {
    Run run(profile);
    run.writeDocuments();
    if (!run.startQuillet() || !run.launch(run.app, "profile", run.pagePath()))
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
        std::fprintf(stderr, "usage: compat_driver [--latency] APP (one of tools/compat/apps.txt)\n");
        return 2;
    }
    if (measure)
        return latency(*app);

    Run run(*app);
    const QMap<QString, QString> results = run.runAll();
    const QMap<QString, QString> known = knownIssues(app->name);
    // One row: application, kind, the flags it was forced with, then each step as ✓, ✗ with its
    // reason, or – where it does not apply.
    const QString forced = app->forcedFlags();
    QString row = app->name + '\t' + app->kind + '\t' + (forced.isEmpty() ? QStringLiteral("none") : forced);
    bool unexpected = false;
    for (const QString& step : kSteps) {
        const QString reason = results.value(step, "not reached");
        if (reason == kNotApplicable) {
            row += QStringLiteral("\t\u2013");
            continue;
        }
        QString passed = QStringLiteral("\u2713");
        if (step == "icon" && run.iconMs >= 0)
            passed += QString(" %1 ms").arg(run.iconMs);
        row += '\t' + (reason.isEmpty() ? passed : QStringLiteral("\u2717 ") + reason);
        // "start" in known-issues.txt: the application may fail to reach the accessibility bus at all.
        if (!reason.isEmpty() && !known.contains(step) && !(run.appMissing && known.contains("start")))
            unexpected = true;
        if (reason.isEmpty() && known.contains(step))
            std::fprintf(stderr, "%s: \"%s\" passes now: remove it from tools/compat/known-issues.txt\n",
                         qPrintable(app->name), qPrintable(step));
    }
    std::printf("%s\n", row.toUtf8().constData());
    if (const QByteArray out = qgetenv("QUILLET_COMPAT_RESULTS"); !out.isEmpty()) {
        QFile file(QString::fromLocal8Bit(out));
        if (file.open(QIODevice::Append))
            file.write(row.toUtf8() + '\n');
    }
    return unexpected ? 1 : 0;
}
