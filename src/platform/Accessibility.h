// What the program needs of the desktop's accessibility layer: elements, their attributes,
// per-process notifications and the permission. Every call is a synchronous round trip to
// another application and may fail; a failure is an error code, never an exception.
#pragma once

#include <memory>

#include "base/AXTypes.h"

namespace quillet {

/// Notifications from one process. Destroying the observer stops every delivery at once.
class AXObserver {
public:
    AXObserver() = default;
    AXObserver(const AXObserver&) = delete;
    AXObserver& operator=(const AXObserver&) = delete;
    virtual ~AXObserver() = default;

    /// Subscribes to `notification` for `element`: the application element, or the system-wide
    /// element while the application has none yet. Either way the process's notifications arrive.
    virtual AXError addNotification(const AXElement& element, const QString& notification) = 0;
};

class Accessibility {
public:
    Accessibility() = default;
    Accessibility(const Accessibility&) = delete;
    Accessibility& operator=(const Accessibility&) = delete;
    virtual ~Accessibility() = default;

    /// Whether the program may use the accessibility layer; can turn true while it runs.
    virtual bool accessibilityEnabled() = 0;
    /// Asks for the permission (on Linux: turns the desktop's accessibility switch on). Result unused.
    virtual void enableAccessibility() = 0;
    /// True while secure keyboard entry is on anywhere (on Linux: a password field holds the focus).
    virtual bool passwordFieldFocused() = 0;

    /// The element whose "AXFocusedUIElement" is the frontmost application's focused element.
    virtual AXElement systemWide() = 0;
    /// Tells the desktop that the program follows focus from now on. Some toolkits send their
    /// events only while someone has asked for them, and look only when they start: applications
    /// started later must find the program already listening.
    virtual void startListening() {}
    /// The application element of process `pid`; a null element when there is none.
    virtual AXElement application(qint32 pid) = 0;

    /// Copies an attribute. On success `out` holds the value.
    virtual AXError copyAttribute(const AXElement& element, const QString& attribute, AXValue& out) = 0;
    /// Whether an attribute can be written. On failure `settable` is left false.
    virtual AXError isAttributeSettable(const AXElement& element, const QString& attribute,
                                        bool& settable) = 0;
    /// Writes an attribute (text, range or Boolean). Success means the write was accepted.
    virtual AXError setAttribute(const AXElement& element, const QString& attribute,
                                 const AXValue& value) = 0;
    /// Replaces `range` of an element's text (UTF-16 code units of its "AXValue") with `text`, in
    /// place: the rest of the text keeps its formatting, and the application's own undo sees one
    /// edit. `attributeUnsupported` where the element takes no such edit; success means the edit
    /// was accepted, not that it shows yet.
    virtual AXError replaceText(const AXElement& element, const AXTextRange& range, const QString& text) {
        (void)element;
        (void)range;
        (void)text;
        return AXError::attributeUnsupported;
    }
    /// The process owning an element. On failure `pid` is left 0.
    virtual AXError pid(const AXElement& element, qint32& pid) = 0;

    /// An observer for process `pid` whose notifications go to `handler`; null on failure.
    virtual std::unique_ptr<AXObserver> createObserver(qint32 pid, AXNotificationHandler handler) = 0;
};

}  // namespace quillet
