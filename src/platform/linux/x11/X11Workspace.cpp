// Running applications and the active one on an X11 desktop, from the window manager's EWMH
#include "platform/linux/x11/X11Workspace.h"

#include <unistd.h>
#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <optional>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/linux/shared/ProcStat.h"
#include "platform/linux/x11/X11Errors.h"

namespace quillet {

struct X11Workspace::X {
    // A window that vanished between listing and reading raises BadWindow; that is an answer.
    std::optional<X11ErrorsIgnored> errorsIgnored;
    Display* display = nullptr;
    Window root = 0;
    Atom activeWindow = 0, clientList = 0, wmPid = 0, gtkAppId = 0, utf8String = 0, gtkFrameExtents = 0;

    // The property's items, or nothing when it is missing or of another format.
    std::vector<unsigned long> cardinals(Window w, Atom property, Atom type, long max = 4096) const {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> result;
        if (XGetWindowProperty(display, w, property, 0, max, False, type, &actualType, &format, &count,
                               &after, &data) == Success &&
            data && format == 32) {
            auto* items = reinterpret_cast<unsigned long*>(data);
            result.assign(items, items + count);
        }
        if (data)
            XFree(data);
        return result;
    }

    QString text(Window w, Atom property) const {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        QString result;
        if (XGetWindowProperty(display, w, property, 0, 1024, False, AnyPropertyType, &actualType, &format,
                               &count, &after, &data) == Success &&
            data && format == 8)
            result = QString::fromUtf8(reinterpret_cast<const char*>(data), int(count));
        if (data)
            XFree(data);
        return result;
    }
};

namespace {
// A process that has ended and waits for its parent to collect it is there, but runs no more.
bool isRunning(qint32 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the name may hold anything, parentheses included.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || close + 2 >= line.size() || line.at(close + 2) != 'Z';
}

}  // namespace

X11Workspace::X11Workspace() : m_x(std::make_unique<X>()) {
    m_x->display = XOpenDisplay(nullptr);
    if (!m_x->display)
        return;
    m_x->errorsIgnored.emplace();
    m_x->root = DefaultRootWindow(m_x->display);
    m_x->activeWindow = XInternAtom(m_x->display, "_NET_ACTIVE_WINDOW", False);
    m_x->clientList = XInternAtom(m_x->display, "_NET_CLIENT_LIST", False);
    m_x->wmPid = XInternAtom(m_x->display, "_NET_WM_PID", False);
    m_x->gtkAppId = XInternAtom(m_x->display, "_GTK_APPLICATION_ID", False);
    m_x->utf8String = XInternAtom(m_x->display, "UTF8_STRING", False);
    m_x->gtkFrameExtents = XInternAtom(m_x->display, "_GTK_FRAME_EXTENTS", False);
    XSelectInput(m_x->display, m_x->root, PropertyChangeMask);
    XFlush(m_x->display);
    readActive();
    m_lastActive = m_active.window;
    m_lastActivePid = m_active.pid;
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(m_x->display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { readEvents(); });
    // Any request of ours may leave the events that came with its reply in Xlib's queue, where the
    // socket no longer shows them: the queue is also looked at before the event loop sleeps, or an
    // activation could go unnoticed until the next one.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_notifier.get(), [this] {
            if (XEventsQueued(m_x->display, QueuedAlready) > 0)
                QMetaObject::invokeMethod(
                    m_notifier.get(), [this] { readEvents(); }, Qt::QueuedConnection);
        });
    }
    // Every desktop entry is read once, as soon as the program is idle after its start: on the
    // first click it would hold up the panel (tens of milliseconds on a desktop with many).
    QTimer::singleShot(0, m_notifier.get(), [this] { loadDesktopEntries(); });
}

X11Workspace::~X11Workspace() {
    m_notifier.reset();
    if (m_x->display)
        XCloseDisplay(m_x->display);
}

void X11Workspace::readEvents() {
    drainEvents();
    if (!m_activationToReport)
        return;
    m_activationToReport = false;
    const unsigned long window = m_active.window;
    // Focus passing through "no window" during a switch is not an activation. The X server hands a
    // closed program's window id to the next program that connects: the same id with another
    // process behind it is a new window.
    const qint32 pid = m_active.pid;
    if (window == 0 || (window == m_lastActive && pid == m_lastActivePid))
        return;
    m_lastActive = window;
    m_lastActivePid = pid;
    if (pid <= 0 || !m_handler)
        return;
    if (std::optional<RunningApplication> app = runningApplication(pid))
        m_handler(*app);
}

void X11Workspace::drainEvents() {
    while (XPending(m_x->display) > 0) {
        XEvent event;
        XNextEvent(m_x->display, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == m_x->activeWindow)
            m_activationToReport = true;
    }
    if (m_activationToReport)
        readActive();
}

void X11Workspace::catchUp() {
    // What the server has sent already, without asking it anything. A change found here is
    // reported from the event loop, never in the middle of the caller's work.
    if (!m_x->display || XEventsQueued(m_x->display, QueuedAfterReading) == 0)
        return;
    drainEvents();
    if (m_activationToReport)
        QMetaObject::invokeMethod(
            m_notifier.get(), [this] { readEvents(); }, Qt::QueuedConnection);
}

void X11Workspace::readActive() {
    m_active = {};
    const std::vector<unsigned long> items = m_x->cardinals(m_x->root, m_x->activeWindow, XA_WINDOW, 1);
    if (items.empty())
        return;
    m_active.known = true;
    m_active.window = items.front();
    m_active.pid = pidOfWindow(m_active.window);
}

unsigned long X11Workspace::currentActiveWindow(bool* known) {
    if (known)
        *known = false;
    if (!m_x->display)
        return 0;
    catchUp();
    // A window that names its process only after it came to the front is asked again.
    if (m_active.window != 0 && m_active.pid <= 0)
        readActive();
    if (known)
        *known = m_active.known;
    return m_active.window;
}

qint32 X11Workspace::pidOfWindow(unsigned long window) {
    if (!m_x->display || window == 0)
        return 0;
    const std::vector<unsigned long> items = m_x->cardinals(window, m_x->wmPid, XA_CARDINAL, 1);
    return items.empty() ? 0 : qint32(items.front());
}

unsigned long X11Workspace::windowOf(qint32 pid) {
    if (!m_x->display || pid <= 0)
        return 0;
    // The active window first, so a process with several windows is found where the user is.
    const unsigned long active = currentActiveWindow();
    if (active && m_active.pid == pid)
        return active;
    for (unsigned long w : m_x->cardinals(m_x->root, m_x->clientList, XA_WINDOW))
        if (pidOfWindow(w) == pid)
            return w;
    return 0;
}

std::optional<qint32> X11Workspace::activePid() {
    bool known = false;
    currentActiveWindow(&known);
    if (!known)
        return std::nullopt;
    return m_active.pid;
}

std::optional<QRectF> X11Workspace::windowFrame(qint32 pid) {
    const unsigned long window = windowOf(pid);
    if (!window)
        return std::nullopt;
    int x = 0, y = 0;
    Window child = 0;
    XWindowAttributes attributes;
    if (!XTranslateCoordinates(m_x->display, window, m_x->root, 0, 0, &x, &y, &child) ||
        !XGetWindowAttributes(m_x->display, window, &attributes))
        return std::nullopt;
    QRectF frame(x, y, attributes.width, attributes.height);
    // A window that draws its own frame keeps an invisible border for its shadow and resize handles.
    const std::vector<unsigned long> border = m_x->cardinals(window, m_x->gtkFrameExtents, XA_CARDINAL, 4);
    if (border.size() == 4)
        frame.adjust(long(border[0]), long(border[2]), -long(border[1]), -long(border[3]));
    return frame;
}

std::optional<RunningApplication> X11Workspace::activeApplication() {
    const std::optional<qint32> pid = activePid();
    if (!pid || *pid <= 0)
        return std::nullopt;
    return runningApplication(*pid);
}

std::optional<RunningApplication> X11Workspace::runningApplication(qint32 pid) {
    if (pid <= 0 || !isRunning(pid))
        return std::nullopt;
    // The application in front is looked up once per activation.
    currentActiveWindow();
    const bool active = pid == m_active.pid;
    if (active && m_active.app)
        return m_active.app;
    RunningApplication app;
    app.pid = pid;
    std::optional<DesktopEntry> entry;
    if (const unsigned long window = windowOf(pid)) {
        const QString appId = m_x->text(window, m_x->gtkAppId);
        if (!appId.isEmpty()) {
            entry = desktopEntry(appId);
            app.appId = appId;
        }
        if (!app.appId) {
            XClassHint hint{nullptr, nullptr};
            if (XGetClassHint(m_x->display, window, &hint)) {
                const QString cls = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
                const QString instance = QString::fromLocal8Bit(hint.res_name ? hint.res_name : "");
                entry = desktopEntryForClass(cls);
                if (!entry)
                    entry = desktopEntryForClass(instance);
                if (entry)
                    app.appId = entry->id;
                if (hint.res_class)
                    XFree(hint.res_class);
                if (hint.res_name)
                    XFree(hint.res_name);
            }
        }
    }
    if (!app.appId) {
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        if (!exe.isEmpty())
            app.appId = QFileInfo(exe).fileName();
    }
    if (entry && !entry->name.isEmpty()) {
        app.name = entry->name;
    } else if (m_nameFallback) {
        app.name = m_nameFallback(pid);
    }
    if (active)
        m_active.app = app;
    return app;
}

bool X11Workspace::activate(qint32 pid) {
    const unsigned long window = windowOf(pid);
    return window && activateWindow(window);
}

quint64 X11Workspace::activeWindow() {
    return currentActiveWindow();
}

bool X11Workspace::activateWindow(quint64 window) {
    // Only a window the window manager still lists: an id of a closed one may name nothing, or a
    // window another program has since made.
    if (!m_x->display || window == 0)
        return false;
    const std::vector<unsigned long> clients = m_x->cardinals(m_x->root, m_x->clientList, XA_WINDOW);
    if (std::find(clients.begin(), clients.end(), window) == clients.end())
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = m_x->activeWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager: window managers honour it without focus-stealing rules
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_x->display, m_x->root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_x->display);
    return true;
}

qint32 X11Workspace::ownPid() {
    return qint32(::getpid());
}

std::optional<qint32> X11Workspace::parentProcess(qint32 pid) {
    return ProcStat::parentOf(pid);
}

void X11Workspace::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_handler = std::move(handler);
}

void X11Workspace::loadDesktopEntries() {
    if (m_entriesLoaded)
        return;
    m_entriesLoaded = true;
    // Earlier folders win, as in the XDG lookup order.
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& dir : dirs) {
        QDir folder(dir);
        for (const QFileInfo& file : folder.entryInfoList({QStringLiteral("*.desktop")}, QDir::Files)) {
            const QString id = file.completeBaseName();
            if (m_entriesById.contains(id.toLower()))
                continue;
            QSettings ini(file.filePath(), QSettings::IniFormat);
            ini.beginGroup(QStringLiteral("Desktop Entry"));
            DesktopEntry entry{id, ini.value(QStringLiteral("Name")).toString()};
            const QString wmClass = ini.value(QStringLiteral("StartupWMClass")).toString();
            m_entriesById.insert(id.toLower(), entry);
            if (!wmClass.isEmpty() && !m_entriesByWmClass.contains(wmClass.toLower()))
                m_entriesByWmClass.insert(wmClass.toLower(), entry);
        }
    }
}

std::optional<X11Workspace::DesktopEntry> X11Workspace::desktopEntry(const QString& id) {
    loadDesktopEntries();
    auto it = m_entriesById.find(id.toLower());
    if (it == m_entriesById.end())
        return std::nullopt;
    return *it;
}

std::optional<X11Workspace::DesktopEntry> X11Workspace::desktopEntryForClass(const QString& wmClass) {
    if (wmClass.isEmpty())
        return std::nullopt;
    loadDesktopEntries();
    const QString key = wmClass.toLower();
    if (auto it = m_entriesByWmClass.find(key); it != m_entriesByWmClass.end())
        return *it;
    if (auto it = m_entriesById.find(key); it != m_entriesById.end())
        return *it;
    // Reverse-domain ids end in the class: "org.xfce.mousepad" for the class "Mousepad".
    for (const DesktopEntry& entry : std::as_const(m_entriesById))
        if (entry.id.toLower().endsWith(QLatin1Char('.') + key))
            return entry;
    return std::nullopt;
}

QList<RunningApplication> X11Workspace::runningApplications() {
    QList<RunningApplication> apps;
    if (!m_x->display)
        return apps;
    QSet<qint32> seenPids;
    QSet<QString> seenIds;
    const qint32 own = ownPid();
    for (unsigned long w : m_x->cardinals(m_x->root, m_x->clientList, XA_WINDOW)) {
        const qint32 pid = pidOfWindow(w);
        if (pid <= 0 || pid == own || seenPids.contains(pid))
            continue;
        seenPids.insert(pid);
        std::optional<RunningApplication> app = runningApplication(pid);
        if (!app || !app->appId || seenIds.contains(*app->appId))
            continue;
        seenIds.insert(*app->appId);
        apps << *app;
    }
    return apps;
}

std::optional<QString> X11Workspace::applicationName(const QString& appId) {
    const std::optional<DesktopEntry> entry = desktopEntry(appId);
    if (!entry || entry->name.isEmpty())
        return std::nullopt;
    return entry->name;
}

}  // namespace quillet
