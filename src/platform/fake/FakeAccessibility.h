// An in-memory accessibility layer: a tree of scripted elements, observers the test fires, and a
// record of every write, so the core's rules can be tested without a desktop.
#pragma once

#include <QList>
#include <QMap>
#include <QSet>
#include <functional>
#include <optional>
#include <vector>

#include "base/Geometry.h"
#include "platform/AXObservers.h"
#include "platform/Accessibility.h"

namespace quillet {

/// What one fake element answers. Tests change it freely, also between calls of the code under test.
struct FakeElementData {
    qint32 pid = 0;
    AXError pidError = AXError::success;
    /// Attribute values; a missing attribute copies as `noValue`.
    QMap<QString, AXValue> attributes;
    /// Attributes whose copy fails with the given code even when a value is present.
    QMap<QString, AXError> copyFailures;
    /// Attributes that can be written.
    QSet<QString> settable;
    /// Attributes whose settable question itself fails.
    QMap<QString, AXError> settableFailures;
    /// Attributes whose write fails with the given code (the call is still recorded).
    QMap<QString, AXError> setFailures;
    /// After an accepted write of the attribute, it reads back as this instead of the written value
    /// (a field that rejects or reformats what it is given).
    QMap<QString, AXValue> readBackAfterWrite;
    /// Writes that are accepted with success and change nothing at all (some browsers do this).
    QSet<QString> ignoredWrites;
    /// Takes in-place edits of its text value (replaceText); without it they are unsupported.
    bool takesEdits = false;
    /// Edits refused with `attributeUnsupported` by their number, counted from 1 over all the edits
    /// the element was asked for; `refusesEditsFrom` refuses that one and every later one.
    QSet<int> refusedEdits;
    int refusesEditsFrom = 0;
    /// Edits accepted with success that change nothing (as `ignoredWrites`).
    bool ignoresEdits = false;
    /// How many edits the element was asked for, refused ones included.
    int editsAsked = 0;
    /// A destroyed element answers every call with `invalidUIElement`.
    bool destroyed = false;
    /// Children, for tests that walk a tree.
    QList<AXElement> children;
    /// States a tree walk reads.
    bool focused = false;
    bool showing = true;
    bool managesDescendants = false;
};

class FakeAccessibility final : public Accessibility {
public:
    FakeAccessibility();
    ~FakeAccessibility() override;

    // Accessibility
    bool accessibilityEnabled() override { return trusted; }
    void enableAccessibility() override;
    bool passwordFieldFocused() override { return secureInput; }
    AXElement systemWide() override { return m_systemWide; }
    void startListening() override { listening = true; }
    AXElement application(qint32 pid) override;
    AXError copyAttribute(const AXElement& element, const QString& attribute, AXValue& out) override;
    AXError isAttributeSettable(const AXElement& element, const QString& attribute, bool& settable) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError replaceText(const AXElement& element, const AXTextRange& range, const QString& text) override;
    AXError pid(const AXElement& element, qint32& pid) override;
    std::unique_ptr<AXObserver> createObserver(qint32 pid, AXNotificationHandler handler) override;

    // Building the tree
    /// A new element of process `pid` with the given attributes.
    AXElement makeElement(qint32 pid, const QMap<QString, AXValue>& attributes = {});
    /// A text field of process `pid`: role "AXTextField", settable text value, a position and a size.
    AXElement makeTextField(qint32 pid, const QString& value, const Rect& frame = Rect(100, 200, 300, 40));
    /// A second handle to the same element: equal to `element`, yet a different object, as the
    /// desktop hands out when asked twice.
    AXElement alias(const AXElement& element) const;
    /// The scripted answers of `element` (which must come from this fake).
    static FakeElementData& data(const AXElement& element);

    void set(const AXElement& element, const QString& attribute, const AXValue& value);
    void remove(const AXElement& element, const QString& attribute);
    void setSettable(const AXElement& element, const QString& attribute, bool settable);
    void setFrame(const AXElement& element, const Rect& frame);
    /// Makes `element` (or nothing, for a null element) the system-wide focused element.
    void setFocused(const AXElement& element);
    /// Marks the element destroyed and tells the observers of its process, as the desktop does.
    void destroy(const AXElement& element);
    /// Makes `child` the last child of `parent`.
    void addChild(const AXElement& parent, const AXElement& child);

    /// Processes whose application is not on the accessibility bus (yet): no application element.
    QSet<qint32> offBus;
    /// The application of `pid` joins the bus: it gets its element and its observers are told.
    void joinBus(qint32 pid);

    // Observers
    /// Delivers `notification` about `element` to every live observer of process `pid` that
    /// subscribed to that notification name.
    void notify(qint32 pid, const AXElement& element, const QString& notification);
    /// Live observers of process `pid`.
    int liveObservers(qint32 pid) const;
    /// The notification names a live observer of `pid` subscribed to, in order (first live observer).
    QStringList subscriptions(qint32 pid) const;

    // Writes the code under test made, in order (also the failed ones).
    struct SetCall {
        AXElement element;
        QString attribute;
        AXValue value;
    };
    QList<SetCall> setCalls;
    /// Text edits the code under test asked for, in order (also the refused ones), with the text
    /// the element held right after each.
    struct EditCall {
        AXElement element;
        AXTextRange range;
        QString text;
        bool accepted = false;
        QString after;
    };
    QList<EditCall> editCalls;
    /// Called before each attribute copy, for answers that change from one read to the next.
    std::function<void(const AXElement& element, const QString& attribute)> onCopy;
    /// Called after each accepted write, for behaviour a table cannot express.
    std::function<void(const AXElement& element, const QString& attribute, const AXValue& value)> onSet;

    bool trusted = true;
    bool secureInput = false;
    /// Whether the program has said it follows focus (startListening()).
    bool listening = false;
    int trustRequests = 0;
    /// While set, a trust request also makes the process trusted.
    bool trustOnRequest = false;
    /// Processes whose observer cannot be created.
    QSet<qint32> observerFailures;
    int observersCreated = 0;
    /// Counts every call that reaches an element (copy, settable, set, pid), for cost tests.
    int calls = 0;

private:
    static AXError derivedAttribute(const FakeElementData& d, const QString& attribute, AXValue& out);
    AXElement m_systemWide;
    QMap<qint32, AXElement> m_applications;
    AXObservers m_observers;
};

}  // namespace quillet
