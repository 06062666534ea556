#include "platform/linux/QtPasteboard.h"

#include <poll.h>

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xfixes.h>

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
PasteboardItem targetsOfQt(const QMimeData* data) {
    PasteboardItem item;
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

// A window that went away mid-transfer raises BadWindow; that ends the transfer, nothing more.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// Bytes as Xlib hands them over and takes them back: format 32 items are longs in memory.
qsizetype byteCount(int format, unsigned long items) {
    switch (format) {
        case 16:
            return qsizetype(items * sizeof(short));
        case 32:
            return qsizetype(items * sizeof(long));
        default:
            return qsizetype(items);
    }
}

unsigned long itemCount(int format, qsizetype bytes) {
    return static_cast<unsigned long>(bytes) / static_cast<unsigned long>(byteCount(format, 1));
}

}  // namespace

struct QtPasteboard::X {
    // How one target's bytes were offered: the type and format of the reply.
    struct Form {
        Atom type = 0;
        int format = 8;
    };
    // An incremental transfer to a requestor, one chunk per deletion of its property.
    struct Transfer {
        Window requestor = 0;
        Atom property = 0;
        Form form;
        QByteArray data;
        qsizetype sent = 0;
        std::chrono::steady_clock::time_point lastStep;
    };

    Display* display = nullptr;
    Window window = 0;
    int fixesEvent = -1;
    Atom clipboard = 0, targets = 0, timestamp = 0, incr = 0, utf8 = 0, manager = 0, saveTargets = 0;
    Atom clock = 0;                // changed to learn the server's time
    std::vector<Atom> properties;  // where answers are received, taken in turn
    std::size_t nextProperty = 0;

    // What Quillet owns, when it owns the clipboard.
    bool owning = false;
    Time ownedSince = 0;
    PasteboardItem owned;
    std::map<QString, Form> ownedForms;  // every target served, aliases included
    Time lastOwnChange = 0;
    qint64 changes = 0;
    qint64 served = 0;  // contents handed to other programs while Quillet owned the clipboard
    bool hasRes = false;

    // How the targets of the last reads were offered, so that writing them back offers them alike.
    std::map<QString, std::pair<QByteArray, Form>> formsSeen;

    std::vector<Transfer> transfers;

    Atom atom(const QString& name) const { return XInternAtom(display, name.toUtf8().constData(), False); }
    QString name(Atom a) const {
        char* n = a ? XGetAtomName(display, a) : nullptr;
        QString result = n ? QString::fromUtf8(n) : QString();
        if (n)
            XFree(n);
        return result;
    }

    // ---- events --------------------------------------------------------------------------------

    void drain() {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            dispatch(event);
        }
    }

    void dispatch(XEvent& event) {
        if (event.type == fixesEvent + XFixesSelectionNotify) {
            const auto& fixes = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
            // Quillet's own changes are counted when made; an event older than the last of them
            // describes a change that is already over.
            if (fixes.selection == clipboard && fixes.owner != window &&
                fixes.selection_timestamp > lastOwnChange)
                ++changes;
            return;
        }
        switch (event.type) {
            case SelectionRequest:
                serve(event.xselectionrequest);
                break;
            case SelectionClear:
                if (event.xselectionclear.selection == clipboard && event.xselectionclear.time >= ownedSince)
                    dropOwnership();
                break;
            case PropertyNotify:
                if (event.xproperty.state == PropertyDelete)
                    continueTransfer(event.xproperty.window, event.xproperty.atom);
                break;
            default:
                break;
        }
    }

    // Waits for the next event that `wanted` accepts, handling every other event as usual, until
    // `deadline`. False when the deadline came first.
    bool waitFor(const std::function<bool(const XEvent&)>& wanted, const QDeadlineTimer& deadline,
                 XEvent* out) {
        XFlush(display);
        while (true) {
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                if (wanted(event)) {
                    *out = event;
                    return true;
                }
                dispatch(event);
            }
            const qint64 remaining = deadline.remainingTime();
            if (remaining == 0)
                return false;
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            ::poll(&fd, 1, int(remaining < 0 ? 1000 : std::min<qint64>(remaining, 1000)));
        }
    }

    // A server timestamp, from a property change of our own window.
    Time now() {
        XChangeProperty(display, window, clock, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        const bool seen = waitFor(
            [&](const XEvent& e) {
                return e.type == PropertyNotify && e.xproperty.window == window && e.xproperty.atom == clock;
            },
            QDeadlineTimer(1000), &event);
        return seen ? event.xproperty.time : CurrentTime;
    }

    // ---- reading another program's clipboard ---------------------------------------------------

    struct Answer {
        bool timedOut = false;
        bool refused = false;
        Form form;
        QByteArray data;
    };

    // Asks the owner of `selection` (the clipboard unless named) for `target` and waits for the
    // whole answer; every wait is bounded by answerTimeout since the owner's last sign of life, and
    // by `limit` altogether.
    Answer convert(Atom target, const QDeadlineTimer& limit, Atom selection = None) {
        if (selection == None)
            selection = clipboard;
        Answer answer;
        const Atom property = properties[nextProperty++ % properties.size()];
        XDeleteProperty(display, window, property);
        XConvertSelection(display, selection, target, property, window, CurrentTime);
        auto step = [&] {
            const qint64 left = limit.remainingTime();
            return QDeadlineTimer(left < 0 ? answerTimeout.count()
                                           : std::min<qint64>(left, answerTimeout.count()));
        };
        XEvent event;
        if (!waitFor(
                // An answer to an earlier question that was given up on names another property.
                [&](const XEvent& e) {
                    return e.type == SelectionNotify && e.xselection.requestor == window &&
                           e.xselection.selection == selection && e.xselection.target == target &&
                           (e.xselection.property == property || e.xselection.property == None);
                },
                step(), &event)) {
            answer.timedOut = true;
            return answer;
        }
        if (event.xselection.property == None) {
            answer.refused = true;
            return answer;
        }
        if (!readProperty(property, true, &answer.form, &answer.data)) {
            answer.refused = true;
            return answer;
        }
        if (answer.form.type != incr)
            return answer;

        // Large data comes in chunks, each announced by a new value of the property.
        answer.data.clear();
        while (true) {
            if (!waitFor(
                    [&](const XEvent& e) {
                        return e.type == PropertyNotify && e.xproperty.window == window &&
                               e.xproperty.atom == property && e.xproperty.state == PropertyNewValue;
                    },
                    step(), &event)) {
                answer.timedOut = true;
                return answer;
            }
            Form chunkForm;
            QByteArray chunk;
            if (!readProperty(property, true, &chunkForm, &chunk)) {
                answer.refused = true;
                return answer;
            }
            if (chunk.isEmpty())
                return answer;
            answer.form = chunkForm;
            answer.data += chunk;
        }
    }

    bool readProperty(Atom property, bool remove, Form* form, QByteArray* data) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* bytes = nullptr;
        const int status = XGetWindowProperty(display, window, property, 0, 0x1FFFFFFF, remove ? True : False,
                                              AnyPropertyType, &type, &format, &items, &after, &bytes);
        if (status != Success || type == None) {
            if (bytes)
                XFree(bytes);
            return false;
        }
        form->type = type;
        form->format = format;
        *data = QByteArray(reinterpret_cast<const char*>(bytes), byteCount(format, items));
        XFree(bytes);
        return true;
    }

    std::vector<Atom> targetList(const Answer& answer) const {
        std::vector<Atom> list;
        if (answer.form.format != 32)
            return list;
        const auto* atoms = reinterpret_cast<const long*>(answer.data.constData());
        for (unsigned long i = 0; i < itemCount(32, answer.data.size()); ++i)
            list.push_back(Atom(atoms[i]));
        return list;
    }

    // ---- owning the clipboard -------------------------------------------------------------------

    bool own(const PasteboardItem& item, const std::map<QString, Form>& forms) {
        const Time time = now();
        XSetSelectionOwner(display, clipboard, window, time);
        if (XGetSelectionOwner(display, clipboard) != window)
            return false;
        owning = true;
        ownedSince = time;
        lastOwnChange = time;
        owned = item;
        ownedForms = forms;
        ++changes;
        return true;
    }

    void dropOwnership() {
        owning = false;
        owned.clear();
        ownedForms.clear();
    }

    // The bytes a target is served with: its own, or, for an alias of Quillet's text, the text's.
    std::optional<QByteArray> servedBytes(const QString& target) const {
        if (owned.contains(target))
            return owned.value(target);
        if (ownedForms.count(target)) {
            for (const QString& text : {PasteboardType::plainText, QStringLiteral("text/plain")})
                if (owned.contains(text))
                    return owned.value(text);
        }
        return std::nullopt;
    }

    void refuse(const XSelectionRequestEvent& request) { notify(request, None); }

    void notify(const XSelectionRequestEvent& request, Atom property) {
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = display;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.property = property;
        reply.xselection.time = request.time;
        XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    }

    void serve(const XSelectionRequestEvent& request) {
        if (request.selection != clipboard || !owning ||
            (request.time != CurrentTime && request.time < ownedSince)) {
            refuse(request);
            return;
        }
        // Obsolete requestors name no property; the target then names it.
        const Atom property = request.property != None ? request.property : request.target;
        if (request.target == targets) {
            std::vector<long> list{long(targets), long(timestamp)};
            for (const auto& [name, form] : ownedForms)
                list.push_back(long(atom(name)));
            XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(list.data()), int(list.size()));
            notify(request, property);
            return;
        }
        if (request.target == timestamp) {
            const long time = long(ownedSince);
            XChangeProperty(display, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&time), 1);
            notify(request, property);
            return;
        }
        const QString target = name(request.target);
        const auto form = ownedForms.find(target);
        const std::optional<QByteArray> bytes = servedBytes(target);
        if (form == ownedForms.end() || !bytes) {
            refuse(request);
            return;
        }
        ++served;
        const qsizetype chunk =
            std::min<qsizetype>(qsizetype(XMaxRequestSize(display)) * 4 - 1024, 256 * 1024);
        if (bytes->size() <= chunk) {
            XChangeProperty(display, request.requestor, property, form->second.type, form->second.format,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(bytes->constData()),
                            int(itemCount(form->second.format, bytes->size())));
            notify(request, property);
            return;
        }
        // Too big for one request: announced with its size, then sent as the requestor takes each part.
        XSelectInput(display, request.requestor, PropertyChangeMask);
        const long size = long(bytes->size());
        XChangeProperty(display, request.requestor, property, incr, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        transfers.push_back(
            {request.requestor, property, form->second, *bytes, 0, std::chrono::steady_clock::now()});
        notify(request, property);
    }

    void continueTransfer(Window requestor, Atom property) {
        for (auto it = transfers.begin(); it != transfers.end(); ++it) {
            if (it->requestor != requestor || it->property != property)
                continue;
            const qsizetype chunk =
                std::min<qsizetype>(qsizetype(XMaxRequestSize(display)) * 4 - 1024, 256 * 1024);
            const qsizetype length = std::min(chunk, it->data.size() - it->sent);
            // A zero-length part ends the transfer.
            XChangeProperty(display, requestor, property, it->form.type, it->form.format, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(it->data.constData() + it->sent),
                            int(itemCount(it->form.format, length)));
            it->sent += length;
            it->lastStep = std::chrono::steady_clock::now();
            if (length == 0) {
                XSelectInput(display, requestor, NoEventMask);
                transfers.erase(it);
            }
            XFlush(display);
            return;
        }
    }

    // Requestors that stopped taking their parts are given up on.
    void dropStalledTransfers() {
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(transfers,
                      [&](const Transfer& t) { return now - t.lastStep > std::chrono::seconds(5); });
    }
};

QtPasteboard::QtPasteboard() : m_x(std::make_unique<X>()) {
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
    XSetErrorHandler(ignoreErrors);
    X& x = *m_x;
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

QtPasteboard::~QtPasteboard() {
    X& x = *m_x;
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

QList<PasteboardItem> QtPasteboard::items() {
    m_lastReadTimedOut = false;
    X& x = *m_x;
    QClipboard* board = qtClipboard();
    if (!x.display) {
        const QMimeData* data = board ? board->mimeData(QClipboard::Clipboard) : nullptr;
        PasteboardItem item;
        for (const QString& format : data ? data->formats() : QStringList())
            item.insert(format, data->data(format));
        return item.isEmpty() ? QList<PasteboardItem>() : QList<PasteboardItem>{item};
    }
    x.drain();
    const Window owner = XGetSelectionOwner(x.display, x.clipboard);
    if (owner == None)
        return {};
    if (owner == x.window)
        return x.owning && !x.owned.isEmpty() ? QList<PasteboardItem>{x.owned} : QList<PasteboardItem>{};
    // Qt's own clipboard in this process (a copy in one of Quillet's windows) answers only from the
    // event loop this read runs on: its contents are taken from Qt directly.
    if (board && board->ownsClipboard()) {
        const PasteboardItem item = targetsOfQt(board->mimeData(QClipboard::Clipboard));
        return item.isEmpty() ? QList<PasteboardItem>() : QList<PasteboardItem>{item};
    }

    // Only the forms of this read are kept: they are what a restore of it gives back.
    x.formsSeen.clear();
    const QDeadlineTimer limit(readLimit.count());
    const X::Answer list = x.convert(x.targets, limit);
    if (list.timedOut) {
        m_lastReadTimedOut = true;
        return {};
    }
    PasteboardItem item;
    for (const Atom target : x.targetList(list)) {
        const QString name = x.name(target);
        if (name.isEmpty() || kProtocolTargets.contains(name) || item.contains(name))
            continue;
        const X::Answer answer = x.convert(target, limit);
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
    return item.isEmpty() ? QList<PasteboardItem>() : QList<PasteboardItem>{item};
}

void QtPasteboard::clear() {
    X& x = *m_x;
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

void QtPasteboard::write(const QList<PasteboardItem>& items) {
    X& x = *m_x;
    QClipboard* board = qtClipboard();
    if (items.isEmpty()) {
        clear();
        return;
    }
    // The X11 selection holds a single item; the first one is the one that counts.
    const PasteboardItem& item = items.first();
    if (!x.display) {
        if (!board)
            return;
        auto* data = new QMimeData;
        for (auto it = item.constBegin(); it != item.constEnd(); ++it)
            data->setData(it.key(), it.value());
        if (item.contains(PasteboardType::plainText) && !item.contains(QStringLiteral("text/plain")))
            data->setData(QStringLiteral("text/plain"), item.value(PasteboardType::plainText));
        board->setMimeData(data, QClipboard::Clipboard);
        return;
    }
    x.drain();
    std::map<QString, X::Form> forms;
    bool namesText = false;
    for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
        X::Form form{x.atom(it.key()), 8};
        if (it.key() == QLatin1String("TEXT"))
            form.type = XA_STRING;
        // Read here earlier with these very bytes: offered again exactly as its owner offered it.
        if (const auto seen = x.formsSeen.find(it.key());
            seen != x.formsSeen.end() && seen->second.first == it.value())
            form = seen->second.second;
        forms[it.key()] = form;
        namesText = namesText || kTextTargets.contains(it.key());
    }
    const bool text = item.contains(PasteboardType::plainText) || item.contains(QStringLiteral("text/plain"));
    if (text && !namesText) {
        forms.try_emplace(QStringLiteral("UTF8_STRING"), X::Form{x.utf8, 8});
        forms.try_emplace(QStringLiteral("text/plain"), X::Form{x.atom(QStringLiteral("text/plain")), 8});
    }
    x.own(item, forms);
    XFlush(x.display);
}

std::optional<QString> QtPasteboard::plainText() {
    return textOf(QClipboard::Clipboard);
}

bool QtPasteboard::supportsSelection() {
    // X11 always keeps PRIMARY; off X11, Qt knows.
    QClipboard* board = qtClipboard();
    return m_x->display || (board && board->supportsSelection());
}

std::optional<QString> QtPasteboard::selectionText() {
    return textOf(QClipboard::Selection);
}

std::optional<QString> QtPasteboard::textOf(int mode) {
    m_lastReadTimedOut = false;
    X& x = *m_x;
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
             {PasteboardType::plainText, QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain")})
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
         {QStringLiteral("UTF8_STRING"), PasteboardType::plainText, QStringLiteral("STRING")}) {
        const X::Answer answer = x.convert(x.atom(type), limit, selection);
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

std::optional<qint64> QtPasteboard::servedCount() {
    X& x = *m_x;
    if (!x.display)
        return std::nullopt;
    x.drain();
    return x.served;
}

std::optional<qint32> QtPasteboard::ownerPid() {
    X& x = *m_x;
    if (!x.display)
        return std::nullopt;
    x.drain();
    const Window owner = XGetSelectionOwner(x.display, x.clipboard);
    if (owner == None)
        return std::nullopt;
    QClipboard* board = qtClipboard();
    if (owner == x.window || (board && board->ownsClipboard()))
        return qint32(QCoreApplication::applicationPid());
    if (!x.hasRes)
        return std::nullopt;
    // The server knows which process each of its clients is, whatever window it owns the clipboard by
    // (toolkits use hidden windows that carry no process id of their own).
    XResClientIdSpec spec{owner, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    std::optional<qint32> pid;
    if (XResQueryClientIds(x.display, 1, &spec, &count, &values) == Success) {
        for (long i = 0; i < count; ++i) {
            if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID && XResGetClientPid(&values[i]) > 0)
                pid = qint32(XResGetClientPid(&values[i]));
        }
        XResClientIdsDestroy(count, values);
    }
    return pid;
}

qint64 QtPasteboard::changeCount() {
    X& x = *m_x;
    if (!x.display)
        return x.changes;
    x.drain();
    return x.changes;
}

}  // namespace quillet
