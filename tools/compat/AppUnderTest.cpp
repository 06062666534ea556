// One application of the compatibility suite on the private desktop: started from its row of
#include "compat/AppUnderTest.h"

#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QUrl>
#include <csignal>
#include <cstdio>

#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

namespace quillet::test {

// Caret stops of `text`: one per grapheme cluster, as Shift+Right moves.
int caretStops(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int stops = 0;
    while (finder.toNextBoundary() != -1)
        ++stops;
    return stops;
}

AppUnderTest::~AppUnderTest() {
    stop(second);
    stop(app);
}

bool AppUnderTest::launch(QProcess& process, const QString& profileName, const QString& page) {
    const QString profileDir = dir.filePath(profileName);
    QDir().mkpath(profileDir);
    // The profile prepared for the row, else the one for its program (every Firefox row has the same).
    QDir prepared(sourcePath("tools/compat/profiles/" + m_app.name));
    if (!prepared.exists())
        prepared.setPath(sourcePath("tools/compat/profiles/" + m_app.program()));
    for (const QString& file : prepared.entryList(QDir::Files))
        QFile::copy(prepared.filePath(file), QDir(profileDir).filePath(file));
    const QString web = sourcePath("tools/compat/web");
    QStringList args;
    for (const QString& part : m_app.command.split(' ', Qt::SkipEmptyParts)) {
        args << QString(part)
                    .replace("{doc}", docPath())
                    .replace("{text}", kDocument)
                    .replace("{line}", kLine)
                    .replace("{page}", QUrl::fromLocalFile(page).toString())
                    .replace("{web}", QUrl::fromLocalFile(web).toString())
                    .replace("{profile}", profileDir)
                    .replace("{mirror}", mirrorPath())
                    .replace("{test_editor}", testEditorBinary());
        const QString webPage = QString(part).section("{web}", 1);
        if (part.contains("{web}") && !QFileInfo::exists(web + webPage)) {
            std::fprintf(stderr, "%s is not built: `make compat` builds the editors' pages\n",
                         qPrintable(web + webPage));
            return false;
        }
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    while (!args.isEmpty() && QRegularExpression("^[A-Z_]+=").match(args.first()).hasMatch()) {
        const QString assignment = args.takeFirst();
        env.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    }
    process.setProcessEnvironment(env);
    process.setProgram(args.takeFirst());
    process.setArguments(args);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Its own process group: launchers that start the real program as a child go with it.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    return process.waitForStarted(5000);
}

void AppUnderTest::stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(process.processId()), SIGKILL);
    process.waitForFinished(5000);
}

QStringList AppUnderTest::groupPids(qint64 group) {
    QStringList pids;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!entry.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid pgrp ...: the name may hold spaces, the fields after it do not.
        const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group)
            pids << entry;
    }
    return pids;
}

QString AppUnderTest::windowOf(qint64 group, int timeoutMs) {
    QString found;
    waitUntil(
        [&] {
            if (!m_app.windowTitle.isEmpty()) {
                found = xdotool({"search", "--onlyvisible", "--name", m_app.windowTitle}).section('\n', -1);
                return !found.isEmpty();
            }
            for (const QString& pid : groupPids(group)) {
                found = xdotool({"search", "--onlyvisible", "--pid", pid}).section('\n', -1);
                if (!found.isEmpty())
                    return true;
            }
            return false;
        },
        timeoutMs);
    return found;
}

QString AppUnderTest::appWindow(int timeoutMs) {
    if (window.isEmpty())
        window = windowOf(app.processId(), timeoutMs);
    return window;
}

QRect AppUnderTest::geometryOf(const QString& id) {
    // Where the window's contents are, as the X server has them: xdotool counts a decorated window's
    // frame in once more.
    QString out;
    runProgram("xwininfo", {"-id", id}, &out);
    const auto value = [&out](const char* label) {
        const QRegularExpressionMatch m = QRegularExpression(QString(label) + ":\\s+(-?\\d+)").match(out);
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    };
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                 value("Height"));
}

std::optional<QRect> AppUnderTest::fieldRect(qint64 pid, const QRect& windowFrame) {
    const QJsonArray r =
        QJsonDocument::fromJson(readAccessible(pid, {"--extents", "--line"}).toUtf8()).array();
    if (r.size() != 4 || r[2].toInt() <= 0 || r[3].toInt() <= 0)
        return std::nullopt;
    QRect rect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
    if (!windowFrame.contains(rect.center()) && QRect(QPoint(), windowFrame.size()).contains(rect.center()))
        rect.translate(windowFrame.topLeft());
    return rect;
}

void AppUnderTest::clickIntoText(const QString& windowId, qint64 pid, const std::function<void()>& clicking) {
    xdotool({"windowactivate", "--sync", windowId});
    const QRect frame = geometryOf(windowId);
    QPoint c = frame.center();
    if (m_app.singleLine()) {
        // A bar that slides in (GTK 4's search bar) is clicked where it comes to rest.
        std::optional<QRect> field = fieldRect(pid, frame);
        for (int look = 0; look < 25; ++look) {
            settle(200);
            const std::optional<QRect> now = fieldRect(pid, frame);
            if (now == field)
                break;
            field = now;
        }
        if (field)
            c = field->center();
    }
    xdotool({"mousemove", "--sync", QString::number(c.x()), QString::number(c.y())});
    if (clicking)
        clicking();
    xdotool({"click", "1"});
}

std::optional<QString> AppUnderTest::text(bool selection) {
    if (m_app.readsTitle())
        return titleField(selection ? 2 : 1);
    if (m_app.readsSaved() && !selection) {
        // Saved where it was opened from; a document without changes may not be written again.
        const QDateTime before = QFileInfo(docPath()).lastModified();
        xdotool({"windowactivate", "--sync", appWindow()});
        xdotool({"key", "ctrl+s"});
        if (waitUntil([&] { return QFileInfo(docPath()).lastModified() != before; }, 1500))
            settle(200);
        QFile saved(docPath());
        return saved.open(QIODevice::ReadOnly) ? std::optional(QString::fromUtf8(saved.readAll()))
                                               : std::nullopt;
    }
    if (m_app.blind()) {
        if (selection)
            return primarySelection().value_or(QString()).remove(QChar(0));
        QFile mirror(mirrorPath());
        return mirror.open(QIODevice::ReadOnly) ? std::optional(QString::fromUtf8(mirror.readAll()))
                                                : std::nullopt;
    }
    return fieldText(appPid, selection, m_app.singleLine());
}

std::optional<QString> AppUnderTest::titleField(int field) {
    const QRegularExpressionMatch m = QRegularExpression("quillet:([^: ]*):([^: ]*)(?::([^: ]*))?")
                                          .match(X11::windowName(appWindow().toULong()));
    if (!m.hasMatch())
        return std::nullopt;
    // The textarea's page percent-encodes every field; the others a space as "+" and a "+" as %2B.
    return QUrl::fromPercentEncoding(m.captured(field).replace('+', ' ').toUtf8());
}

QString AppUnderTest::shown(const std::optional<QString>& t) {
    if (!t)
        return "nothing readable";
    QString s = *t;
    return "\"" + s.replace('\n', "\\n").left(90) + (t->size() > 90 ? "…\"" : "\"");
}

QString AppUnderTest::shown(const std::optional<QString>& t, const QString& want) {
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

void AppUnderTest::writeDocuments() {
    QFile doc(docPath());
    if (!doc.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(doc.fileName()));
    doc.write(kDocument.toUtf8() + "\n");
    for (const QString& title : {QStringLiteral("Compose"), QStringLiteral("Second")}) {
        QFile page(pagePath(title == "Compose" ? "page.html" : "second.html"));
        if (!page.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(page.fileName()));
        page.write("<!DOCTYPE html><meta charset=utf-8><title>" + title.toUtf8() +
                   "</title><style>html,body{margin:0;height:100%}"
                   "textarea{box-sizing:border-box;width:100%;height:100%}</style><textarea>" +
                   kDocument.toHtmlEscaped().toUtf8() + "</textarea>");
        // The text and its selection, shown in the title where the driver reads them.
        if (m_app.readsTitle())
            page.write(
                "<script>const t = document.querySelector('textarea');"
                "setInterval(() => { const v = 'quillet:' + encodeURIComponent(t.value) + ':' +"
                " encodeURIComponent(t.value.substring(t.selectionStart, t.selectionEnd));"
                " if (document.title !== v) document.title = v; }, 50); t.focus();</script>");
    }
}

}  // namespace quillet::test
