// What the compatibility suite knows of its applications and of the desktop it drives them on.
#include "compat/CompatApps.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>

#include "support/TestEnv.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quillet::test {

const QString kFirst = QStringLiteral("Their is a mistak in this sentence.");
const QString kFirstFixed = QStringLiteral("There is a mistake in this sentence.");
const QString kDocument =
    kFirst + QStringLiteral(
                 "\n\nThe second paragraph stays exactly as it is, with a smile \U0001F642 and a cafe"
                 "\u0301 on the corner.\n\nThird: na\u0131\u0308ve fac\u0327ade, a coder "
                 "\U0001F469\u200D\U0001F4BB and a flag \U0001F1F7\U0001F1F8 at the end.");
const QString kBoldWord = QStringLiteral("this");
const QString kLinkText = QStringLiteral("link");
const QString kLinkTarget = QStringLiteral("https://example.org/");
const QString kLine = kFirst + QStringLiteral(" The rest stays as it is \U0001F642 at the cafe\u0301.");
const QString kTypedLine = kFirst + QStringLiteral(" The rest stays as it is.");
const QStringList kSteps = {"icon",           "doctor", "icon-return", "icon-undo", "selection",
                            "selection-undo", "whole",  "whole-undo",  "format",    "second"};
const QString kNotApplicable = QStringLiteral("n/a");
const QStringList kForcingFlags = {"--force-renderer-accessibility", "ACCESSIBILITY_ENABLED=1",
                                   "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"};

namespace {

const QString usersText = QStringLiteral("The user's own copy \U0001F4CB, kept\n");
const QByteArray usersBytes("\x01\x02\x00\xff binary", 11);
const QString usersType = QStringLiteral("application/x-quillet-compat-user");

// The rows of tools/compat/FILE, split at tabs, that begin with `app`.
QList<QStringList> rowsFor(const QString& file, const QString& app) {
    QFile in(sourcePath("tools/compat/" + file));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(in.readAll()).split('\n'))
        if (!line.startsWith('#') && line.section('\t', 0, 0) == app)
            rows << line.split('\t');
    return rows;
}

}  // namespace

QString AppProfile::program() const {
    for (const QString& word : command.split(' ', Qt::SkipEmptyParts))
        if (!QRegularExpression("^[A-Z_]+=").match(word).hasMatch())
            return word;
    return {};
}

QString AppProfile::forcedFlags() const {
    QStringList found;
    for (const QString& word : command.split(' ', Qt::SkipEmptyParts))
        if (kForcingFlags.contains(word))
            found << word;
    return found.join(' ');
}

std::optional<AppProfile> profile(const QString& name) {
    for (const QStringList& cols : rowsFor("apps.txt", name)) {
        if (cols.size() < 4)
            continue;
        AppProfile app{cols[0], cols[1], cols[2], cols[3], cols.value(4), {}};
        for (const QString& trait : cols.value(5).split(',', Qt::SkipEmptyParts))
            app.traits.insert(trait.trimmed());
        return app;
    }
    return std::nullopt;
}

QString formattingLost(const QString& html) {
    // Editors add attributes of their own (a link's rel and target, a class while the caret is in it).
    static const QRegularExpression bold("<(strong|b)(\\s[^>]*)?>" + kBoldWord + "</(strong|b)>");
    static const QRegularExpression link("<a\\s[^>]*href=\"" + QRegularExpression::escape(kLinkTarget) +
                                         "\"[^>]*>" + kLinkText + "</a>");
    QStringList lost;
    if (!bold.match(html).hasMatch())
        lost << "\"" + kBoldWord + "\" is no longer bold";
    if (!link.match(html).hasMatch())
        lost << "\"" + kLinkText + "\" is no longer a link";
    if (lost.isEmpty())
        return {};
    QString shown = html.left(300);
    return lost.join(", ") + ": " + shown.replace('\n', "\\n");
}

QMap<QString, QString> knownIssues(const QString& app) {
    QMap<QString, QString> known;
    for (const QStringList& cols : rowsFor("known-issues.txt", app))
        if (cols.size() >= 2)
            known.insert(cols[1].trimmed(), cols.value(2));
    return known;
}

void offerUsersClipboard() {
    auto* data = new QMimeData;
    data->setText(usersText);
    data->setData(usersType, usersBytes);
    QGuiApplication::clipboard()->setMimeData(data);
    waitUntil([] { return clipboardBytes(usersType) == usersBytes; }, 3000);
}

QString usersClipboardBack(int timeoutMs) {
    QByteArray text, bytes;
    const bool back = waitUntil(
        [&] {
            text = clipboardBytes(QStringLiteral("UTF8_STRING"));
            bytes = clipboardBytes(usersType);
            return text == usersText.toUtf8() && bytes == usersBytes;
        },
        timeoutMs);
    if (back)
        return {};
    QString shown = QString::fromUtf8(text).left(60);
    shown.replace('\n', "\\n").replace(QChar(0), "\\0");
    return "the clipboard holds \"" + shown + "\"" + (bytes == usersBytes ? "" : " without the user's data");
}

std::optional<QString> primarySelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        return std::nullopt;
    const QString text = clipboard->text(QClipboard::Selection);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

namespace X11 {
namespace {
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
}  // namespace

unsigned long activeWindow() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? property(DefaultRootWindow(x11->display()), "_NET_ACTIVE_WINDOW", XA_WINDOW) : 0;
}

qint64 windowPid(unsigned long window) {
    return qint64(property(window, "_NET_WM_PID", XA_CARDINAL));
}

QString windowName(unsigned long window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* d = x11 ? x11->display() : nullptr;
    if (!d || !window)
        return {};
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QString name;
    if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), 0, 65536, False,
                           XInternAtom(d, "UTF8_STRING", False), &actual, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        name = QString::fromUtf8(reinterpret_cast<const char*>(data), int(count));
    if (data)
        XFree(data);
    return name;
}
}  // namespace X11

}  // namespace quillet::test
