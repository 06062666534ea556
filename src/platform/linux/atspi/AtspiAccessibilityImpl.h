// The state of the AT-SPI accessibility layer, shared by its parts: the connection to the bus
// (AtspiConnection.cpp), the event intake (AtspiEvents.cpp), the focus search (AtspiFocusFinder.cpp),
// frames (AtspiFrames.cpp), text (AtspiText.cpp) and rich-text editing hosts (AtspiHypertext.cpp).
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <vector>

#include "platform/EventWatches.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/atspi/AtspiElements.h"
#include "platform/linux/atspi/CaretTrail.h"
#include "platform/linux/atspi/FocusSearch.h"
#include "platform/linux/atspi/HungApplications.h"
#include "platform/linux/atspi/HypertextText.h"
#include "platform/linux/atspi/OwnObjectSweep.h"

namespace quillet {

class AtspiAccessibility::Impl {
public:
    Impl(std::function<std::optional<qint32>()> active, std::function<std::optional<QRectF>(qint32)> frame)
        : activePid(std::move(active)), windowFrame(std::move(frame)) {}
    ~Impl();

    bool isHung(AtspiAccessible* a) const { return hung.contains(atspi::busNameOf(a)); }

    // Every read and write of an element goes through here: `operation` asks the element's
    // application, unless it is hung, under the hung-application guard. `ofNoApplication` answers
    // for an element of no application (the root).
    template <typename Operation, typename Other>
    AccessError ask(const Accessible& element, Operation operation, Other ofNoApplication) {
        if (element.isNull())
            return AccessError::illegalArgument;
        if (!ensureInit())
            return AccessError::disabled;
        AtspiAccessible* a = atspi::accessibleOf(element);
        if (!a)
            return ofNoApplication();
        if (isHung(a))
            return AccessError::cannotComplete;
        return hung.guard(atspi::busNameOf(a), operation);
    }

    // One value of `element`, asked through `ask`: `read(element's object, out)` fills `out`.
    template <typename T, typename Read>
    Answer<T> answer(const Accessible& element, Read read) {
        T value{};
        const AccessError error = ask(
            element, [&] { return read(atspi::accessibleOf(element), value); },
            [] { return AccessError::illegalArgument; });
        if (error != AccessError::success)
            return error;
        return value;
    }

    static bool busReachable();

    bool ensureInit();

    void registerWindowEvents();

    void announceAllActiveWindows();

    // An application may join the bus after its window became active (a slow start, or an event
    // lost under load): the window holding the active state is taken as the activation.
    void activeWindowsOf(AtspiAccessible* app, std::vector<FocusEvent>& out);

    // Whether `a` is one of its application's windows: the active state is also set on menus
    // and other parts inside a window, which say nothing about which window is in front.
    static bool isTopLevel(AtspiAccessible* a);

    // Whether `a` is in its application's cache in libatspi, which holds it while it exists.
    static bool isCached(AtspiAccessible* a);

    // Runs inside libatspi, sometimes in the middle of another call of ours: only record.
    static void onEvent(AtspiEvent* event, void* self);

    void flush();

    // Tells libatspi, as Qt's bridge never does, which of this program's own objects in the
    // cache of `own` (this program's application) are gone, so that it lets go of them.
    void forgetGoneOwnObjects(AtspiApplication* own);
    // An application left the desktop: what was noted about its bus name goes.
    void forgetApplication(const QByteArray& bus);

    qint32 pidOf(AtspiAccessible* a);

    // The process whose window shows `a`: the active application's, when `a` answers from a
    // process that application started (a browser's page process, whose objects hang in the
    // browser's window), else the process `a` answers from. Events and focus are told to it.
    qint32 hostOf(AtspiAccessible* a);

    // The application of process `pid`, with a reference for the caller. One process may have
    // several on the bus: a Qt program on a GNOME desktop loads GTK, which registers a second,
    // empty application beside Qt's. The one with windows is the program's; an empty one is taken
    // only when there is nothing else. Our own are never asked (they answer on this very thread).
    AtspiAccessible* appElement(qint32 pid);

    // The focused element of the active application, or null.
    Accessible focusedElement();

    Accessible findFocusedElement();

    Accessible focusedDescendant(AtspiAccessible* window);

    class Tree;
    // A bounded walk below `root` for the deepest focused element, editable text first.
    Accessible searchFocus(const Accessible& root);

    // What the toolkit of an application does differently from the others, asked once per application.
    struct Toolkit {
        // Whether it sets the showing state on what it draws. GTK 4 leaves it off on everything
        // below the window.
        bool setsShowing = true;
        // Whether it counts text offsets and lengths in UTF-16 code units rather than in characters.
        // Qt does: it hands its widgets' own positions through unchanged, and cuts or pads an
        // inserted text to the length given, so a byte count (which GTK asks for) would fill the
        // field with garbage, and a character offset would land short of every emoji before it.
        bool countsUtf16 = false;
        // Whether it is Gecko. Firefox and Thunderbird read a text that ends with a line break out
        // with one more: the empty last line their editor keeps for the caret.
        bool gecko = false;
        // Whether it is a web engine (Gecko, Chromium, WebKit): an editable element of a page holds
        // its blocks and links as objects of their own.
        bool web = false;
    };

    Toolkit toolkitOf(AtspiAccessible* a);
    // Whether `a` is part of a web page: an element of a web engine's own process, or a block of a
    // page that Qt's WebEngine shows inside a Qt application.
    bool isOnWebPage(AtspiAccessible* a);

    // The text of `a` as the user has it, from what the application reads out of it.
    QString textOf(AtspiAccessible* a, const QString& readOut);

    // Whether `a` is text that reads out with an extra final line break. It is no part of the text;
    // left out of every read, a paste or an Undo puts back exactly what was there.
    bool showsExtraFinalBreak(AtspiAccessible* a);

    // The element's frame in accessibility coordinates, mended where its toolkit answers wrongly.
    std::optional<Rect> frameOf(AtspiAccessible* a, AccessError& err);
    // Where the window's contents start on screen when `a`'s toolkit answers relative to them.
    std::optional<QPointF> relativeOrigin(AtspiAccessible* a, qint32 pid);

    // A web page's editable element whose text holds its blocks and links as embedded objects.
    bool isHypertextHost(AtspiAccessible* a);
    // A web page's editable element other than a text area or an input: its text has formatting.
    bool isRichText(AtspiAccessible* a);
    // An editable element of a page that is not inside another: what the user sees as the field.
    bool isEditingHost(AtspiAccessible* a);
    // The editing host `element` is part of (the outermost editable element of its page), or itself.
    Accessible editingHostOf(const Accessible& element);
    struct HypertextWalk {
        std::vector<HypertextText::Node> tree;  // the host first
        std::vector<Accessible> objects;
        std::vector<int> parent;          // -1 for the host
        std::vector<qint64> embedOffset;  // where each object stands in its parent's text
        std::shared_ptr<const HypertextText::Flattened> flat;
    };
    // The host's objects read, or null with `err` set. Valid until the next call. `marksOnly`: for
    // the count, the caret or the text near it, which may come from an older walk.
    const HypertextWalk* walkHypertext(AtspiAccessible* host, AccessError& err, bool marksOnly = false);
    AccessError readHypertextProperty(AtspiAccessible* host, Property attribute, PropertyValue& out);
    // The same, for a value of type `T`.
    template <typename T>
    AccessError readHypertext(AtspiAccessible* host, Property attribute, T& out) {
        PropertyValue value;
        if (const AccessError error = readHypertextProperty(host, attribute, value);
            error != AccessError::success)
            return error;
        out = std::get<T>(value);
        return AccessError::success;
    }
    AccessError selectHypertextRange(AtspiAccessible* host, const TextRange& range);
    AccessError replaceHypertext(AtspiAccessible* host, const TextRange& range, const QString& text);
    // Deletes characters [`start`, `end`) of `a`'s own text and inserts `text` there.
    AccessError replaceIn(AtspiAccessible* a, qint64 start, qint64 end, const QString& text);

    static constexpr const char* windowEventTypes[] = {"window:activate", "window:deactivate",
                                                       "object:state-changed:active"};
    static constexpr const char* eventTypes[] = {
        "object:state-changed:focused", "object:state-changed:defunct", "object:children-changed:remove",
        "object:children-changed:add",  "object:text-changed",          "object:bounds-changed",
        "object:text-caret-moved"};

    struct Pending {
        QByteArray type;
        Accessible source;
        int detail1 = 0;
        Accessible child;
    };

    std::function<std::optional<qint32>()> activePid;
    std::function<std::optional<QRectF>(qint32)> windowFrame;
    CompositorWindows* compositor = nullptr;
    std::function<void(const FocusEvent&)> windowSink;
    std::function<Accessible()> focusOverride;
    bool windowEventsRegistered = false;
    static constexpr qint64 rescanIntervalMs = 1000;
    QElapsedTimer lastRescan;
    bool initialized = false;
    HungApplications hung{callTimeoutMs};
    GRef<AtspiAccessible> desktop;
    bool initFailed = false;
    AtspiEventListener* listener = nullptr;
    std::shared_ptr<atspi::SystemWideRef> root = std::make_shared<atspi::SystemWideRef>();
    QObject context;  // queued deliveries die with it
    std::vector<Pending> queue;
    bool flushPosted = false;
    Accessible lastFocused;
    qint32 lastFocusedPid = 0;
    // The text last found holding the focus.
    Accessible lastTyped;
    qint32 pidOfLastTyped = 0;
    CaretTrail caretTrail;
    OwnObjectSweep ownSweep;
    QHash<QByteArray, qint32> pidByBus;
    // Per application, the active process it was last told to, with the answer: a process's
    // ancestors do not change while it lives, and its bus name is never another's.
    QHash<QByteArray, std::pair<qint32, qint32>> hostByBus;
    QHash<QByteArray, Toolkit> toolkitByBus;
    // Per application: whether it answers screen extents relative to its window, once that could be
    // told, and the window origin at the last attempt that could not tell.
    struct WindowAnswers {
        std::optional<bool> relative;
        std::optional<QPointF> triedAt;
        Accessible window;  // the top-level element, once found
    };
    QHash<QByteArray, WindowAnswers> windowAnswersByBus;
    // Searches of a window that ran out of time, to go on with where they stopped.
    struct PendingWalk {
        FocusSearch::Walk walk;
        QElapsedTimer started;
    };
    std::vector<PendingWalk> walks;
    // The last walk of an editing host, for the reads right after it.
    std::optional<HypertextWalk> walked;
    QElapsedTimer walkedAt;
    qint64 walkCostMs = 0;
    EventWatches watches;
};

}  // namespace quillet
