// The real program in the private desktop session, as the end-to-end tests drive it.
#include "support/QuilletUnderTest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>

#include "platform/linux/system/IniDefaults.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace quillet::test {

const QString kMistaken = QStringLiteral("Their is a mistak in this sentence.");
const QString kMistakeFixed = QStringLiteral("There is a mistake in this sentence.");
const QString QuilletUnderTest::apiKey = QStringLiteral("sk-session-0123456789");

QString mendMistakes(QString text) {
    return text.replace("Their is", "There is").replace("mistak ", "mistake ");
}

std::optional<QRect> surfaceShown(Surface surface) {
    const QSize size = surface == Surface::icon    ? QSize(24, 24)
                       : surface == Surface::panel ? QSize(400, 340)
                                                   : QSize(220, 40);
    for (const QString& id :
         xdotool({"search", "--onlyvisible", "--name", "^Quillet$"}).split('\n', Qt::SkipEmptyParts)) {
        if (const QRect g = windowGeometry(id); g.size() == size)
            return g;
    }
    return std::nullopt;
}

bool iconMapped() {
    // The icon is a viewable 24×24 window named "Quillet", left alone by the window manager, so a
    // child of the root window.
    static Display* d = XOpenDisplay(nullptr);
    if (!d)
        return false;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable || a.width != 24 ||
            a.height != 24)
            continue;
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) && name)
            found = std::strcmp(name, "Quillet") == 0;
        if (name)
            XFree(name);
    }
    if (children)
        XFree(children);
    return found;
}

Bells::Bells() : m_display(XOpenDisplay(nullptr)) {
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!m_display || !XkbQueryExtension(m_display, &opcode, &m_eventBase, &error, &major, &minor))
        return;
    XkbSelectEvents(m_display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(m_display, False);
}

Bells::~Bells() {
    if (m_display)
        XCloseDisplay(m_display);
}

int Bells::count() {
    while (m_display && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == m_eventBase && reinterpret_cast<XkbEvent*>(&event)->any.xkb_type == XkbBellNotify)
            ++m_count;
    }
    return m_count;
}

qint64 busOwner() {
    const QString name = QStringLiteral("com.lumenfold.quillet");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(name))
        return 0;
    const QDBusReply<uint> pid = bus->servicePid(name);
    return pid.isValid() ? pid.value() : 0;
}

std::optional<QString> fieldText(qint64 pid, bool selection, bool line) {
    QStringList mode{selection ? QStringLiteral("--selection") : QStringLiteral("--text")};
    if (line)
        mode << QStringLiteral("--line");
    const QString out = readAccessible(pid, mode);
    const QJsonArray json = QJsonDocument::fromJson("[" + out.toUtf8() + "]").array();
    if (!json.at(0).isString())
        return std::nullopt;
    return json.at(0).toString();
}

QuilletUnderTest::QuilletUnderTest() {
    server.model.acceptedKey = apiKey;
    server.model.correct = mendMistakes;
    server.model.rephrase = [](const QString&) {
        return QList<QPair<QString, QString>>{{"neutral", "There is an error in this sentence."},
                                              {"professional", "This sentence contains an error."},
                                              {"concise", "A mistake here."}};
    };
    // The key belongs to the server it is for: saved for the loopback server the preferences name.
    m_ready = storeApiKey(apiKey, server.baseUrl());
    QFile::remove(IniDefaults::defaultPath());
    IniDefaults().setString("apiBaseURL", server.baseUrl());
}

QuilletUnderTest::~QuilletUnderTest() {
    kill();
}

bool QuilletUnderTest::startAtLogin() {
    return start() && waitUntil([&] { return busOwner() == pid(); }, 15000) &&
           waitUntil([&] { return shows(QStringLiteral("Global shortcut")); }, 15000);
}

bool QuilletUnderTest::start(const QStringList& args) {
    // A copy told to quit may take a moment more to end after giving up its name.
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 5000))
        return false;
    process.start(quilletBinary(), args);
    return process.waitForStarted() &&
           waitUntil([&] { return readAccessible(pid()).contains("application\tQuillet"); }, 20000);
}

void QuilletUnderTest::kill() {
    stopProcess(process);
}

bool QuilletUnderTest::shows(const QString& text) const {
    return readAccessible(pid()).contains(text);
}

bool QuilletUnderTest::press(const QString& name, const QString& how) const {
    return readAccessible(pid(), {how, name}).contains("pressed " + name);
}

int QuilletUnderTest::chatRequests() const {
    int n = 0;
    for (const auto& r : server.requests())
        n += r.path.endsWith("/chat/completions");
    return n;
}

}  // namespace quillet::test
