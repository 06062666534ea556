// The X11 CLIPBOARD selection through a connection of the program's own: every target read as its
// owner offers it, byte for byte and within a time limit, and the program's own contents owned and
// served to other programs, incrementally when they are large.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/linux/x11/X11Errors.h"

#include <X11/Xlib.h>

namespace quillet {

struct X11Selection {
    // A window that went away mid-transfer raises BadWindow; that ends the transfer, nothing more.
    std::optional<X11ErrorsIgnored> errorsIgnored;
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
    ClipboardItem owned;
    std::map<QString, Form> ownedForms;  // every target served, aliases included
    Time lastOwnChange = 0;
    qint64 changes = 0;
    qint64 served = 0;                  // contents handed to other programs while Quillet owned the clipboard
    std::map<qint32, qint64> servedTo;  // the same by the requestor's process; 0 where unknown
    bool hasRes = false;

    // How the targets of the last reads were offered, so that writing them back offers them alike.
    std::map<QString, std::pair<QByteArray, Form>> formsSeen;

    std::vector<Transfer> transfers;

    Atom atom(const QString& name) const { return XInternAtom(display, name.toUtf8().constData(), False); }
    QString name(Atom a) const;
    // ---- events --------------------------------------------------------------------------------

    void drain();
    void dispatch(XEvent& event);

    // Waits for the next event that `wanted` accepts, handling every other event as usual, until
    // `deadline`. False when the deadline came first.
    bool waitFor(const std::function<bool(const XEvent&)>& wanted, const QDeadlineTimer& deadline,
                 XEvent* out);

    // The process of the client that made `w`, through the X-Resource extension; empty without it,
    // or for a client on another machine.
    std::optional<qint32> clientPid(Window w);

    // A server timestamp, from a property change of our own window.
    Time now();
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
    Answer convert(Atom target, const QDeadlineTimer& limit, Atom selection = None);

    bool readProperty(Atom property, bool remove, Form* form, QByteArray* data);

    std::vector<Atom> targetList(const Answer& answer) const;
    // ---- owning the clipboard -------------------------------------------------------------------

    bool own(const ClipboardItem& item, const std::map<QString, Form>& forms);

    void dropOwnership();

    // The bytes a target is served with: its own, or, for an alias of Quillet's text, the text's.
    std::optional<QByteArray> servedBytes(const QString& target) const;

    void refuse(const XSelectionRequestEvent& request) { notify(request, None); }

    void notify(const XSelectionRequestEvent& request, Atom property);

    void serve(const XSelectionRequestEvent& request);

    void continueTransfer(Window requestor, Atom property);

    // Requestors that stopped taking their parts are given up on.
    void dropStalledTransfers();
};

}  // namespace quillet
