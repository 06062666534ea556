// The values every layer speaks about accessibility: elements, attribute values and names,
// notification names and error codes.
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
/// The text around the caret, at most `nearCaretSpan` characters either side: what a long text
/// holds where the user is, read at the same cost whatever the text's length.
inline const QString textNearCaret = QStringLiteral("AXTextNearCaret");
inline constexpr qint64 nearCaretSpan = 1024;
/// True for a field that holds formatting (a web page's rich-text editor): a whole-text write
/// would lose it.
inline const QString richText = QStringLiteral("AXRichText");
/// True for a field that never tells its selection (its selection and caret always read as none,
/// as in Qt's WebEngine): only a copy tells what the user selected there.
inline const QString selectionUnreported = QStringLiteral("AXSelectionUnreported");
}  // namespace AXAttr

/// The notifications a process observer delivers.
namespace AXNotification {
inline const QString focusedUIElementChanged = QStringLiteral("AXFocusedUIElementChanged");
inline const QString valueChanged = QStringLiteral("AXValueChanged");
inline const QString uiElementDestroyed = QStringLiteral("AXUIElementDestroyed");
/// An element or its window moved or changed size.
inline const QString windowMoved = QStringLiteral("AXWindowMoved");
/// The process's application has just appeared to the accessibility layer (it was not there when
/// the observer was made, or came back).
inline const QString applicationJoined = QStringLiteral("AXApplicationJoined");
}  // namespace AXNotification

/// Called on the main thread with the element concerned and the notification name.
using AXNotificationHandler = std::function<void(const AXElement& element, const QString& notification)>;

}  // namespace quillet
