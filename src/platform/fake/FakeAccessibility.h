// An in-memory accessibility layer: a tree of scripted elements, watches the test fires, and a
// record of every write, so the core's rules can be tested without a desktop.
#pragma once

#include <QList>
#include <QMap>
#include <QSet>
#include <functional>
#include <optional>
#include <vector>

#include "base/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/EventWatches.h"

namespace quillet {

/// What one fake element answers. Tests change it freely, also between calls of the code under test.
struct FakeElementData {
    qint32 pid = 0;
    AccessError pidError = AccessError::success;
    /// Attribute values; a missing attribute copies as `noValue`.
    QMap<Property, PropertyValue> attributes;
    /// Attributes whose copy fails with the given code even when a value is present.
    QMap<Property, AccessError> copyFailures;
    /// Attributes that can be written.
    QSet<Property> settable;
    /// Attributes whose settable question itself fails.
    QMap<Property, AccessError> settableFailures;
    /// Attributes whose write fails with the given code (the call is still recorded).
    QMap<Property, AccessError> setFailures;
    /// After an accepted write of the attribute, it reads back as this instead of the written value
    /// (a field that rejects or reformats what it is given).
    QMap<Property, PropertyValue> readBackAfterWrite;
    /// Writes that are accepted with success and change nothing at all (some browsers do this).
    QSet<Property> ignoredWrites;
    /// Takes in-place edits of its text value (replaceText); without it they are unsupported.
    bool takesEdits = false;
    /// Edits refused with `unsupported` by their number, counted from 1 over all the edits
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
    QList<Accessible> children;
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
    Accessible root() override { return m_root; }
    void startListening() override { listening = true; }
    Accessible application(qint32 pid) override;
    Answer<Accessible> focusedElement() override;
    Answer<QString> role(const Accessible& element) override {
        return readAs<QString>(element, Property::role);
    }
    Answer<QString> text(const Accessible& field) override { return readAs<QString>(field, Property::value); }
    Answer<QString> selectedText(const Accessible& field) override {
        return readAs<QString>(field, Property::selectedText);
    }
    Answer<TextRange> selection(const Accessible& field) override {
        return readAs<TextRange>(field, Property::selectedTextRange);
    }
    Answer<qint64> characterCount(const Accessible& field) override {
        return readAs<qint64>(field, Property::numberOfCharacters);
    }
    Answer<qint64> caretOffset(const Accessible& field) override {
        return readAs<qint64>(field, Property::caretOffset);
    }
    Answer<QString> textNearCaret(const Accessible& field) override {
        return readAs<QString>(field, Property::textNearCaret);
    }
    Answer<Rect> frame(const Accessible& element) override;
    bool isRichText(const Accessible& field) override {
        return readAs<bool>(field, Property::richText).value_or(false);
    }
    bool hidesSelection(const Accessible& field) override {
        return readAs<bool>(field, Property::selectionUnreported).value_or(false);
    }
    bool canSetText(const Accessible& field) override { return settable(field, Property::value); }
    bool canReplaceSelection(const Accessible& field) override {
        return settable(field, Property::selectedText);
    }
    AccessError setText(const Accessible& field, const QString& text) override {
        return write(field, Property::value, text);
    }
    AccessError replaceSelection(const Accessible& field, const QString& text) override {
        return write(field, Property::selectedText, text);
    }
    AccessError select(const Accessible& field, const TextRange& range) override {
        return write(field, Property::selectedTextRange, range);
    }
    AccessError replaceText(const Accessible& element, const TextRange& range, const QString& text) override;
    AccessError exposeContents(const Accessible& application) override {
        return write(application, Property::manualAccessibility, true);
    }
    AccessError pid(const Accessible& element, qint32& pid) override;
    std::unique_ptr<EventWatch> createWatch(qint32 pid, AccessEventHandler handler) override;

    // Building the tree
    /// A new element of process `pid` with the given attributes.
    Accessible makeElement(qint32 pid, const QMap<Property, PropertyValue>& attributes = {});
    /// A text field of process `pid`: role "AXTextField", settable text value, a position and a size.
    Accessible makeTextField(qint32 pid, const QString& value, const Rect& frame = Rect(100, 200, 300, 40));
    /// A second handle to the same element: equal to `element`, yet a different object, as the
    /// desktop hands out when asked twice.
    Accessible alias(const Accessible& element) const;
    /// The scripted answers of `element` (which must come from this fake).
    static FakeElementData& data(const Accessible& element);

    void set(const Accessible& element, Property attribute, const PropertyValue& value);
    void remove(const Accessible& element, Property attribute);
    void setSettable(const Accessible& element, Property attribute, bool settable);
    void setFrame(const Accessible& element, const Rect& frame);
    /// Makes `element` (or nothing, for a null element) the root's focused element.
    void setFocused(const Accessible& element);
    /// Marks the element destroyed and tells the watches on its process, as the desktop does.
    void destroy(const Accessible& element);
    /// Makes `child` the last child of `parent`.
    void addChild(const Accessible& parent, const Accessible& child);

    /// Processes whose application is not on the accessibility bus (yet): no application element.
    QSet<qint32> offBus;
    /// The application of `pid` joins the bus: it gets its element and its watches are told.
    void joinBus(qint32 pid);

    // Watches
    /// Delivers `event` about `element` to every live watch on process `pid` that subscribed to
    /// that event.
    void notify(qint32 pid, const Accessible& element, AccessEvent event);
    /// Live watches on process `pid`.
    int liveWatches(qint32 pid) const;
    /// The events a live watch on `pid` subscribed to, in order (first live watch).
    QList<AccessEvent> subscriptions(qint32 pid) const;

    // Writes the code under test made, in order (also the failed ones).
    struct SetCall {
        Accessible element;
        Property attribute;
        PropertyValue value;
    };
    QList<SetCall> setCalls;
    /// Text edits the code under test asked for, in order (also the refused ones), with the text
    /// the element held right after each.
    struct EditCall {
        Accessible element;
        TextRange range;
        QString text;
        bool accepted = false;
        QString after;
    };
    QList<EditCall> editCalls;
    /// Called before each attribute copy, for answers that change from one read to the next.
    std::function<void(const Accessible& element, Property attribute)> onCopy;
    /// Called after each accepted write, for behaviour a table cannot express.
    std::function<void(const Accessible& element, Property attribute, const PropertyValue& value)> onSet;

    bool trusted = true;
    bool secureInput = false;
    /// Whether the program has said it follows focus (startListening()).
    bool listening = false;
    int trustRequests = 0;
    /// While set, a trust request also makes the process trusted.
    bool trustOnRequest = false;
    /// Processes no watch can be made for.
    QSet<qint32> watchFailures;
    int watchesCreated = 0;
    /// Counts every call that reaches an element (copy, settable, set, pid), for cost tests.
    int calls = 0;

private:
    AccessError read(const Accessible& element, Property attribute, PropertyValue& out);
    template <typename T>
    Answer<T> readAs(const Accessible& element, Property attribute) {
        PropertyValue value;
        if (const AccessError error = read(element, attribute, value); error != AccessError::success)
            return error;
        if (const T* typed = std::get_if<T>(&value))
            return *typed;
        return AccessError::noValue;
    }
    bool settable(const Accessible& element, Property attribute);
    AccessError write(const Accessible& element, Property attribute, const PropertyValue& value);
    static AccessError derivedProperty(const FakeElementData& d, Property attribute, PropertyValue& out);
    Accessible m_root;
    QMap<qint32, Accessible> m_applications;
    EventWatches m_watches;
};

}  // namespace quillet
