// What the program needs of the desktop's accessibility layer: elements and what they tell,
// per-process events and the permission. Every call is a synchronous round trip to
// another application and may fail; a failure is an error code, never an exception.
#pragma once

#include <memory>

#include "base/Accessible.h"
#include "base/Geometry.h"

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

    /// The root of the accessibility tree, whose events tell of focus moving between applications.
    virtual Accessible root() = 0;
    /// Tells the desktop that the program follows focus from now on. Some toolkits send their
    /// events only while someone has asked for them, and look only when they start: applications
    /// started later must find the program already listening.
    virtual void startListening() {}
    /// The application element of process `pid`; a null element when there is none.
    virtual Accessible application(qint32 pid) = 0;
    /// The active application's focused element; never a null one.
    virtual Answer<Accessible> focusedElement() = 0;

    // What an element tells of itself. Offsets and lengths count UTF-16 code units of its text.

    /// The element's role: "AXTextField", "AXTextArea", "AXComboBox", "AXSecureTextField" (a
    /// password field) for the text roles, the toolkit's own role name for any other.
    virtual Answer<QString> role(const Accessible& element) = 0;
    /// The element's whole text.
    virtual Answer<QString> text(const Accessible& field) = 0;
    /// The selected text; empty when nothing is selected.
    virtual Answer<QString> selectedText(const Accessible& field) = 0;
    /// The selection, or the caret as an empty selection.
    virtual Answer<TextRange> selection(const Accessible& field) = 0;
    /// How many characters the text holds, in the toolkit's own units: cheap to read whatever the
    /// text's length, so a change of it says the text changed without reading the text.
    virtual Answer<qint64> characterCount(const Accessible& field) = 0;
    /// Where the caret stands, in the same units; cheap to read as well.
    virtual Answer<qint64> caretOffset(const Accessible& field) = 0;
    /// The text around the caret, at most `nearCaretSpan` characters either side: what a long text
    /// holds where the user is, read at the same cost whatever the text's length.
    virtual Answer<QString> textNearCaret(const Accessible& field) = 0;
    /// Where the element lies, in the desktop's global coordinates (origin top-left, y down).
    virtual Answer<Rect> frame(const Accessible& element) = 0;
    /// True for a field that holds formatting (a web page's rich-text editor): writing its whole
    /// text would lose it. False when unknown.
    virtual bool isRichText(const Accessible& field) = 0;
    /// True for a field that never tells its selection (its selection and caret always read as
    /// none, as in Qt's WebEngine): only a copy tells what the user selected there.
    virtual bool hidesSelection(const Accessible& field) = 0;

    // Writes. Success means the write was accepted, not that it shows yet.

    /// Whether the field's whole text can be written (`setText`); false when unknown.
    virtual bool canSetText(const Accessible& field) = 0;
    /// Whether the field's selection can be written over (`replaceSelection`); false when unknown.
    virtual bool canReplaceSelection(const Accessible& field) = 0;
    /// Writes the field's whole text.
    virtual AccessError setText(const Accessible& field, const QString& text) = 0;
    /// Writes `text` over the selection, or at the caret.
    virtual AccessError replaceSelection(const Accessible& field, const QString& text) = 0;
    /// Selects `range`; an empty one puts the caret there.
    virtual AccessError select(const Accessible& field, const TextRange& range) = 0;
    /// Replaces `range` of the field's text with `text`, in place: the rest of the text keeps its
    /// formatting, and the application's own undo sees one edit. `unsupported` where the element
    /// takes no such edit.
    virtual AccessError replaceText(const Accessible& field, const TextRange& range, const QString& text) {
        (void)field;
        (void)range;
        (void)text;
        return AccessError::unsupported;
    }
    /// Asks an application to build its accessibility tree though no screen reader runs
    /// (Chromium and Electron).
    virtual AccessError exposeContents(const Accessible& application) {
        (void)application;
        return AccessError::unsupported;
    }
    /// The process owning an element. On failure `pid` is left 0.
    virtual AccessError pid(const Accessible& element, qint32& pid) = 0;

    /// A watch on process `pid` whose events go to `handler`; null on failure.
    virtual std::unique_ptr<EventWatch> createWatch(qint32 pid, AccessEventHandler handler) = 0;
};

}  // namespace quillet
