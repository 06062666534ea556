// What the program needs of the desktop's accessibility layer: elements, their properties,
// per-process events and the permission. Every call is a synchronous round trip to
// another application and may fail; a failure is an error code, never an exception.
#pragma once

#include <memory>

#include "base/Accessible.h"

namespace quillet {

/// Events from one process. Destroying the watch stops every delivery at once.
class EventWatch {
public:
    EventWatch() = default;
    EventWatch(const EventWatch&) = delete;
    EventWatch& operator=(const EventWatch&) = delete;
    virtual ~EventWatch() = default;

    /// Subscribes to `event` for `element`: the application element, or the root while the
    /// application has none yet. Either way the process's events arrive.
    virtual AccessError watch(const Accessible& element, AccessEvent event) = 0;
};

class Accessibility {
public:
    Accessibility() = default;
    Accessibility(const Accessibility&) = delete;
    Accessibility& operator=(const Accessibility&) = delete;
    virtual ~Accessibility() = default;

    /// Whether the program may use the accessibility layer; can turn true while it runs.
    virtual bool accessibilityEnabled() = 0;
    /// Turns the desktop's accessibility switch on. Result unused.
    virtual void enableAccessibility() = 0;
    /// True while a password field anywhere holds the focus.
    virtual bool passwordFieldFocused() = 0;

    /// The root of the accessibility tree: its Property::focusedElement is the active application's
    /// focused element.
    virtual Accessible root() = 0;
    /// Tells the desktop that the program follows focus from now on. Some toolkits send their
    /// events only while someone has asked for them, and look only when they start: applications
    /// started later must find the program already listening.
    virtual void startListening() {}
    /// The application element of process `pid`; a null element when there is none.
    virtual Accessible application(qint32 pid) = 0;

    /// Reads a property. On success `out` holds the value.
    virtual AccessError readProperty(const Accessible& element, Property attribute, PropertyValue& out) = 0;
    /// Whether a property can be written. On failure `settable` is left false.
    virtual AccessError isPropertySettable(const Accessible& element, Property attribute, bool& settable) = 0;
    /// Writes a property (text, range or Boolean). Success means the write was accepted.
    virtual AccessError writeProperty(const Accessible& element, Property attribute,
                                      const PropertyValue& value) = 0;
    /// Replaces `range` of an element's text (UTF-16 code units of its Property::value) with `text`, in
    /// place: the rest of the text keeps its formatting, and the application's own undo sees one
    /// edit. `unsupported` where the element takes no such edit; success means the edit
    /// was accepted, not that it shows yet.
    virtual AccessError replaceText(const Accessible& element, const TextRange& range, const QString& text) {
        (void)element;
        (void)range;
        (void)text;
        return AccessError::unsupported;
    }
    /// The process owning an element. On failure `pid` is left 0.
    virtual AccessError pid(const Accessible& element, qint32& pid) = 0;

    /// A watch on process `pid` whose events go to `handler`; null on failure.
    virtual std::unique_ptr<EventWatch> createWatch(qint32 pid, AccessEventHandler handler) = 0;
};

}  // namespace quillet
