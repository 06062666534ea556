// The clipboard on X11: the CLIPBOARD selection read and owned through a connection of the program's
// own, with Qt's clipboard where there is no X display (the off-screen platform).
#include "platform/linux/x11/X11Clipboard.h"

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xfixes.h>

#include "platform/linux/x11/X11Selection.h"

namespace quillet {

namespace {

// Targets of the selection protocol itself: they describe the transfer, not the data, and are
// never saved.
const QStringList kProtocolTargets{"TARGETS", "MULTIPLE",         "TIMESTAMP",      "SAVE_TARGETS",
                                   "DELETE",  "INSERT_SELECTION", "INSERT_PROPERTY"};
// The targets under which X11 programs offer and ask for text.
const QStringList kTextTargets{"UTF8_STRING", "STRING", "TEXT", "COMPOUND_TEXT"};

QClipboard* qtClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                        : nullptr;
}

// What Qt offers other programs for its own clipboard in this process (a copy in one of Quillet's
// windows): text under the X11 text targets, Latin-1 where the old forms ask for it, as Qt converts it.
ClipboardItem targetsOfQt(const QMimeData* data) {
    ClipboardItem item;
    if (!data)
        return item;
    for (const QString& format : data->formats()) {
        if (format == QLatin1String("text/plain")) {
            const QString text = data->text();
            for (const char* target : {"UTF8_STRING", "text/plain"})
                item.insert(QString::fromLatin1(target), text.toUtf8());
            for (const char* target : {"STRING", "TEXT"})
                item.insert(QString::fromLatin1(target), text.toLatin1());
        } else if (format != QLatin1String("application/x-qt-image")) {
            // Qt's private name for an image, which it offers under the image types instead.
            item.insert(format, data->data(format));
        }
    }
    return item;
}

}  // namespace

X11Clipboard::X11Clipboard() : m_x(std::make_unique<X11Selection>()) {
    // The off-screen platform of the report modes has no X display: then Qt's own clipboard serves.
    Display* display =
        QGuiApplication::platformName() == QLatin1String("xcb") ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        if (QClipboard* board = qtClipboard()) {
            QObject::connect(board, &QClipboard::changed, &m_context, [this](QClipboard::Mode mode) {
                if (mode == QClipboard::Clipboard)
                    ++m_x->changes;
            });
        }
        return;
    }
    X11Selection& x = *m_x;
    x.errorsIgnored.emplace();
    x.display = display;
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    x.window = XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, CopyFromParent,
                             InputOnly, CopyFromParent, CWEventMask, &attributes);
    x.clipboard = x.atom("CLIPBOARD");
    x.targets = x.atom("TARGETS");
    x.timestamp = x.atom("TIMESTAMP");
    x.incr = x.atom("INCR");
    x.utf8 = x.atom("UTF8_STRING");
    x.clock = x.atom("QUILLET_CLOCK");
    x.manager = x.atom("CLIPBOARD_MANAGER");
    x.saveTargets = x.atom("SAVE_TARGETS");
    for (int i = 0; i < 4; ++i)
        x.properties.push_back(x.atom(QStringLiteral("QUILLET_CLIPBOARD_%1").arg(i)));
    int fixesError = 0;
    if (XFixesQueryExtension(display, &x.fixesEvent, &fixesError)) {
        XFixesSelectSelectionInput(display, x.window, x.clipboard,
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
    }
    int resEvent = 0, resError = 0;
    x.hasRes = XResQueryExtension(display, &resEvent, &resError);
    XFlush(display);

    // Requests for what Quillet owns are served from the event loop; Xlib may have read events
    // during a call of ours, so the queue is also looked at whenever the loop is about to sleep.
    auto* notifier = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, &m_context);
    QObject::connect(notifier, &QSocketNotifier::activated, &m_context, [this] { m_x->drain(); });
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &m_context, [this] {
            m_x->drain();
            XFlush(m_x->display);
        });
    }
    auto* sweep = new QTimer(&m_context);
    QObject::connect(sweep, &QTimer::timeout, &m_context, [this] { m_x->dropStalledTransfers(); });
    sweep->start(5000);
}

X11Clipboard::~X11Clipboard() {
    X11Selection& x = *m_x;
    if (!x.display)
        return;
    x.drain();
    // A clipboard manager, when there is one, keeps the contents once their owner is gone.
    if (x.owning && XGetSelectionOwner(x.display, x.manager) != None) {
        XConvertSelection(x.display, x.manager, x.saveTargets, None, x.window, x.ownedSince);
        XEvent event;
        x.waitFor(
            [&](const XEvent& e) {
                return e.type == SelectionNotify && e.xselection.selection == x.manager &&
                       e.xselection.target == x.saveTargets;
            },
            QDeadlineTimer(2000), &event);
    }
    XDestroyWindow(x.display, x.window);
    XCloseDisplay(x.display);
}

QList<ClipboardItem> X11Clipboard::items() {
    m_lastReadTimedOut = false;
    X11Selection& x = *m_x;
    QClipboard* board = qtClipboard();
    if (!x.display) {
        const QMimeData* data = board ? board->mimeData(QClipboard::Clipboard) : nullptr;
        ClipboardItem item;
        for (const QString& format : data ? data->formats() : QStringList())
            item.insert(format, data->data(format));
        return item.isEmpty() ? QList<ClipboardItem>() : QList<ClipboardItem>{item};
    }
    x.drain();
    const Window owner = XGetSelectionOwner(x.display, x.clipboard);
    if (owner == None)
        return {};
    if (owner == x.window)
        return x.owning && !x.owned.isEmpty() ? QList<ClipboardItem>{x.owned} : QList<ClipboardItem>{};
    // Qt's own clipboard in this process (a copy in one of Quillet's windows) answers only from the
    // event loop this read runs on: its contents are taken from Qt directly.
    if (board && board->ownsClipboard()) {
        const ClipboardItem item = targetsOfQt(board->mimeData(QClipboard::Clipboard));
        return item.isEmpty() ? QList<ClipboardItem>() : QList<ClipboardItem>{item};
    }

    // Only the forms of this read are kept: they are what a restore of it gives back.
    x.formsSeen.clear();
    const QDeadlineTimer limit(readLimit.count());
    const X11Selection::Answer list = x.convert(x.targets, limit);
    if (list.timedOut) {
        m_lastReadTimedOut = true;
        return {};
    }
    ClipboardItem item;
    for (const Atom target : x.targetList(list)) {
        const QString name = x.name(target);
        if (name.isEmpty() || kProtocolTargets.contains(name) || item.contains(name))
            continue;
        const X11Selection::Answer answer = x.convert(target, limit);
        if (answer.timedOut) {
            m_lastReadTimedOut = true;
            break;
        }
        // A target its owner will not convert is not part of the contents.
        if (answer.refused)
            continue;
        item.insert(name, answer.data);
        x.formsSeen[name] = {answer.data, answer.form};
    }
    return item.isEmpty() ? QList<ClipboardItem>() : QList<ClipboardItem>{item};
}

void X11Clipboard::clear() {
    X11Selection& x = *m_x;
    if (!x.display) {
        if (QClipboard* board = qtClipboard())
            board->clear(QClipboard::Clipboard);
        return;
    }
    x.drain();
    const Time time = x.now();
    XSetSelectionOwner(x.display, x.clipboard, None, time);
    XFlush(x.display);
    x.dropOwnership();
    x.lastOwnChange = time;
    ++x.changes;
}

void X11Clipboard::write(const QList<ClipboardItem>& items) {
    X11Selection& x = *m_x;
    QClipboard* board = qtClipboard();
    if (items.isEmpty()) {
        clear();
        return;
    }
    // The X11 selection holds a single item; the first one is the one that counts.
    const ClipboardItem& item = items.first();
    if (!x.display) {
        if (!board)
            return;
        auto* data = new QMimeData;
        for (auto it = item.constBegin(); it != item.constEnd(); ++it)
            data->setData(it.key(), it.value());
        if (item.contains(ClipboardType::plainText) && !item.contains(QStringLiteral("text/plain")))
            data->setData(QStringLiteral("text/plain"), item.value(ClipboardType::plainText));
        board->setMimeData(data, QClipboard::Clipboard);
        return;
    }
    x.drain();
    std::map<QString, X11Selection::Form> forms;
    bool namesText = false;
    for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
        X11Selection::Form form{x.atom(it.key()), 8};
        if (it.key() == QLatin1String("TEXT"))
            form.type = XA_STRING;
        // Read here earlier with these very bytes: offered again exactly as its owner offered it.
        if (const auto seen = x.formsSeen.find(it.key());
            seen != x.formsSeen.end() && seen->second.first == it.value())
            form = seen->second.second;
        forms[it.key()] = form;
        namesText = namesText || kTextTargets.contains(it.key());
    }
    const bool text = item.contains(ClipboardType::plainText) || item.contains(QStringLiteral("text/plain"));
    ClipboardItem offered = item;
    if (text && !namesText) {
        forms.try_emplace(QStringLiteral("UTF8_STRING"), X11Selection::Form{x.utf8, 8});
        // GTK asks for text/plain first and turns its CR LF into LF, as that type's rules have it;
        // under UTF8_STRING it takes the bytes as they are. A text with carriage returns (a
        // document of CR LF lines) is offered under UTF8_STRING alone, so it lands as it was.
        const QByteArray bytes =
            item.value(ClipboardType::plainText, item.value(QStringLiteral("text/plain")));
        if (bytes.contains('\r')) {
            for (const QString& plain : {ClipboardType::plainText, QStringLiteral("text/plain")}) {
                forms.erase(plain);
                offered.remove(plain);
            }
            offered.insert(QStringLiteral("UTF8_STRING"), bytes);
        } else {
            forms.try_emplace(QStringLiteral("text/plain"),
                              X11Selection::Form{x.atom(QStringLiteral("text/plain")), 8});
        }
    }
    x.own(offered, forms);
    XFlush(x.display);
}

std::optional<QString> X11Clipboard::plainText() {
    return textOf(QClipboard::Clipboard);
}

bool X11Clipboard::supportsSelection() {
    // X11 always keeps PRIMARY; off X11, Qt knows.
    QClipboard* board = qtClipboard();
    return m_x->display || (board && board->supportsSelection());
}

std::optional<QString> X11Clipboard::selectionText() {
    return textOf(QClipboard::Selection);
}

std::optional<QString> X11Clipboard::textOf(int mode) {
    m_lastReadTimedOut = false;
    X11Selection& x = *m_x;
    QClipboard* board = qtClipboard();
    const auto qtMode = QClipboard::Mode(mode);
    auto fromQt = [&]() -> std::optional<QString> {
        const QMimeData* data = board ? board->mimeData(qtMode) : nullptr;
        return data && data->hasText() ? std::optional<QString>(data->text()) : std::nullopt;
    };
    if (!x.display)
        return qtMode == QClipboard::Selection && !(board && board->supportsSelection()) ? std::nullopt
                                                                                         : fromQt();
    x.drain();
    const Atom selection = qtMode == QClipboard::Selection ? Atom(XA_PRIMARY) : x.clipboard;
    const Window owner = XGetSelectionOwner(x.display, selection);
    if (owner == None)
        return std::nullopt;
    if (owner == x.window) {
        for (const QString& type :
             {ClipboardType::plainText, QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain")})
            if (x.owned.contains(type))
                return QString::fromUtf8(x.owned.value(type));
        if (x.owned.contains(QStringLiteral("STRING")))
            return QString::fromLatin1(x.owned.value(QStringLiteral("STRING")));
        return std::nullopt;
    }
    // Text selected or copied in one of Quillet's own windows: Qt answers from memory.
    if (board && (qtMode == QClipboard::Selection ? board->ownsSelection() : board->ownsClipboard()))
        return fromQt();
    const QDeadlineTimer limit(readLimit.count());
    for (const QString& type :
         {QStringLiteral("UTF8_STRING"), ClipboardType::plainText, QStringLiteral("STRING")}) {
        const X11Selection::Answer answer = x.convert(x.atom(type), limit, selection);
        if (answer.timedOut) {
            m_lastReadTimedOut = true;
            return std::nullopt;
        }
        if (answer.refused || answer.form.format != 8)
            continue;
        return type == QLatin1String("STRING") ? QString::fromLatin1(answer.data)
                                               : QString::fromUtf8(answer.data);
    }
    return std::nullopt;
}

std::optional<qint64> X11Clipboard::servedCount() {
    X11Selection& x = *m_x;
    if (!x.display)
        return std::nullopt;
    x.drain();
    return x.served;
}

std::optional<qint64> X11Clipboard::servedCountTo(qint32 pid) {
    X11Selection& x = *m_x;
    if (!x.display)
        return std::nullopt;
    x.drain();
    const auto count = [&x](qint32 of) {
        const auto found = x.servedTo.find(of);
        return found == x.servedTo.end() ? qint64(0) : found->second;
    };
    return count(pid) + count(0);
}

std::optional<qint32> X11Clipboard::ownerPid() {
    X11Selection& x = *m_x;
    if (!x.display)
        return std::nullopt;
    x.drain();
    const Window owner = XGetSelectionOwner(x.display, x.clipboard);
    if (owner == None)
        return std::nullopt;
    QClipboard* board = qtClipboard();
    if (owner == x.window || (board && board->ownsClipboard()))
        return qint32(QCoreApplication::applicationPid());
    return x.clientPid(owner);
}

qint64 X11Clipboard::serial() {
    X11Selection& x = *m_x;
    if (!x.display)
        return x.changes;
    x.drain();
    return x.changes;
}

}  // namespace quillet
