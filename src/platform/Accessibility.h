// What the program needs of the desktop's accessibility layer: elements, their attributes,
// per-process notifications and the permission. Every call is a synchronous round trip to
// another application and may fail; a failure is an error code, never an exception.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <variant>

namespace quillet {

/// Error codes of accessibility calls. The program treats every non-success code alike.
enum class AXError {
    success = 0,
    failure,
    illegalArgument,
    invalidUIElement,
    cannotComplete,
    attributeUnsupported,
    noValue,
    notImplemented,
    apiDisabled,
};

/// A backend's own reference to one element; kept alive by the handles that share it.
class AXElementRef {
public:
    virtual ~AXElementRef() = default;
    /// Two references to the same element answer the same identity.
    virtual const void* identity() const = 0;
};

/// A copyable, shared handle to an element of some application. Equality is identity.
class AXElement {
public:
    AXElement() = default;
    explicit AXElement(std::shared_ptr<AXElementRef> ref) : m_ref(std::move(ref)) {}

    bool isNull() const { return !m_ref; }
    explicit operator bool() const { return !isNull(); }
    const void* identity() const { return m_ref ? m_ref->identity() : nullptr; }
    AXElementRef* ref() const { return m_ref.get(); }
    friend bool operator==(const AXElement& a, const AXElement& b) { return a.identity() == b.identity(); }

private:
    std::shared_ptr<AXElementRef> m_ref;
};

/// A text range in UTF-16 code units.
struct AXTextRange {
    qint64 location = 0;
    qint64 length = 0;
    friend bool operator==(const AXTextRange&, const AXTextRange&) = default;
};

/// An attribute value: text, an element, a point, a size, a Boolean, a text range or a number.
using AXValue = std::variant<QString, AXElement, QPointF, QSizeF, bool, AXTextRange, qint64>;

/// The attribute names the program reads and writes.
namespace AXAttr {
inline const QString focusedUIElement = QStringLiteral("AXFocusedUIElement");
inline const QString role = QStringLiteral("AXRole");
inline const QString subrole = QStringLiteral("AXSubrole");
inline const QString value = QStringLiteral("AXValue");
inline const QString selectedText = QStringLiteral("AXSelectedText");
inline const QString selectedTextRange = QStringLiteral("AXSelectedTextRange");
inline const QString position = QStringLiteral("AXPosition");
inline const QString size = QStringLiteral("AXSize");
inline const QString manualAccessibility = QStringLiteral("AXManualAccessibility");
/// How many characters the text holds, in the toolkit's own units: cheap to read whatever the
/// text's length, so a change of it says the text changed without reading the text.
inline const QString numberOfCharacters = QStringLiteral("AXNumberOfCharacters");
/// Where the caret stands, in the same units; cheap to read as well.
inline const QString caretOffset = QStringLiteral("AXCaretOffset");
}  // namespace AXAttr

/// The notifications a process observer delivers.
namespace AXNotification {
inline const QString focusedUIElementChanged = QStringLiteral("AXFocusedUIElementChanged");
inline const QString valueChanged = QStringLiteral("AXValueChanged");
inline const QString uiElementDestroyed = QStringLiteral("AXUIElementDestroyed");
inline const QString windowMoved = QStringLiteral("AXWindowMoved");
inline const QString windowResized = QStringLiteral("AXWindowResized");
/// The process's application has just appeared to the accessibility layer (it was not there when
/// the observer was made, or came back).
inline const QString applicationJoined = QStringLiteral("AXApplicationJoined");
}  // namespace AXNotification

/// Called on the main thread with the element concerned and the notification name.
using AXNotificationHandler = std::function<void(const AXElement& element, const QString& notification)>;

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
    virtual bool isProcessTrusted() = 0;
    /// Asks for the permission (on Linux: turns the desktop's accessibility switch on). Result unused.
    virtual void requestTrust() = 0;
    /// True while secure keyboard entry is on anywhere (on Linux: a password field holds the focus).
    virtual bool isSecureEventInputEnabled() = 0;

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
    /// The process owning an element. On failure `pid` is left 0.
    virtual AXError pid(const AXElement& element, qint32& pid) = 0;

    /// An observer for process `pid` whose notifications go to `handler`; null on failure.
    virtual std::unique_ptr<AXObserver> createObserver(qint32 pid, AXNotificationHandler handler) = 0;
};

}  // namespace quillet
