// The X11 CLIPBOARD selection through a connection of the program's own.
#include "platform/linux/x11/X11Selection.h"

#include "platform/linux/x11/X11Clipboard.h"

#include <poll.h>

#include <X11/Xatom.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xfixes.h>

namespace quillet {

namespace {

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

QString X11Selection::name(Atom a) const {
    char* n = a ? XGetAtomName(display, a) : nullptr;
    QString result = n ? QString::fromUtf8(n) : QString();
    if (n)
        XFree(n);
    return result;
}

void X11Selection::drain() {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        dispatch(event);
    }
}

void X11Selection::dispatch(XEvent& event) {
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

bool X11Selection::waitFor(const std::function<bool(const XEvent&)>& wanted, const QDeadlineTimer& deadline,
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

std::optional<qint32> X11Selection::clientPid(Window w) {
    if (!hasRes || w == None)
        return std::nullopt;
    // The server knows which process each of its clients is, whatever window it acts through
    // (toolkits use hidden windows that carry no process id of their own).
    XResClientIdSpec spec{w, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    std::optional<qint32> pid;
    if (XResQueryClientIds(display, 1, &spec, &count, &values) == Success) {
        for (long i = 0; i < count; ++i) {
            if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID && XResGetClientPid(&values[i]) > 0)
                pid = qint32(XResGetClientPid(&values[i]));
        }
        XResClientIdsDestroy(count, values);
    }
    return pid;
}

Time X11Selection::now() {
    XChangeProperty(display, window, clock, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    const bool seen = waitFor(
        [&](const XEvent& e) {
            return e.type == PropertyNotify && e.xproperty.window == window && e.xproperty.atom == clock;
        },
        QDeadlineTimer(1000), &event);
    return seen ? event.xproperty.time : CurrentTime;
}

X11Selection::Answer X11Selection::convert(Atom target, const QDeadlineTimer& limit, Atom selection) {
    if (selection == None)
        selection = clipboard;
    Answer answer;
    const Atom property = properties[nextProperty++ % properties.size()];
    XDeleteProperty(display, window, property);
    XConvertSelection(display, selection, target, property, window, CurrentTime);
    auto step = [&] {
        const qint64 left = limit.remainingTime();
        return QDeadlineTimer(left < 0 ? X11Clipboard::answerTimeout.count()
                                       : std::min<qint64>(left, X11Clipboard::answerTimeout.count()));
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

bool X11Selection::readProperty(Atom property, bool remove, Form* form, QByteArray* data) {
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

std::vector<Atom> X11Selection::targetList(const Answer& answer) const {
    std::vector<Atom> list;
    if (answer.form.format != 32)
        return list;
    const auto* atoms = reinterpret_cast<const long*>(answer.data.constData());
    for (unsigned long i = 0; i < itemCount(32, answer.data.size()); ++i)
        list.push_back(Atom(atoms[i]));
    return list;
}

bool X11Selection::own(const ClipboardItem& item, const std::map<QString, Form>& forms) {
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

void X11Selection::dropOwnership() {
    owning = false;
    owned.clear();
    ownedForms.clear();
}

std::optional<QByteArray> X11Selection::servedBytes(const QString& target) const {
    if (owned.contains(target))
        return owned.value(target);
    if (ownedForms.count(target)) {
        for (const QString& text : {ClipboardType::plainText, QStringLiteral("text/plain")})
            if (owned.contains(text))
                return owned.value(text);
    }
    return std::nullopt;
}

void X11Selection::notify(const XSelectionRequestEvent& request, Atom property) {
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

void X11Selection::serve(const XSelectionRequestEvent& request) {
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
    ++servedTo[clientPid(request.requestor).value_or(0)];
    const qsizetype chunk = std::min<qsizetype>(qsizetype(XMaxRequestSize(display)) * 4 - 1024, 256 * 1024);
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

void X11Selection::continueTransfer(Window requestor, Atom property) {
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

void X11Selection::dropStalledTransfers() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(transfers, [&](const Transfer& t) { return now - t.lastStep > std::chrono::seconds(5); });
}

}  // namespace quillet
