// The values every layer speaks about accessibility: elements, their properties and values, the
// events of a process and error codes.
#pragma once

#include <QHashFunctions>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

namespace quillet {

/// Error codes of accessibility calls. The program treats every non-success code alike.
enum class AccessError {
    success = 0,
    failure,
    illegalArgument,
    invalidElement,
    cannotComplete,
    unsupported,
    noValue,
    notImplemented,
    disabled,
};

/// A backend's own reference to one element; kept alive by the handles that share it.
class AccessibleRef {
public:
    virtual ~AccessibleRef() = default;
    /// Two references to the same element answer the same identity.
    virtual const void* identity() const = 0;
};

/// A copyable, shared handle to an element of some application. Equality is identity.
class Accessible {
public:
    Accessible() = default;
    explicit Accessible(std::shared_ptr<AccessibleRef> ref) : m_ref(std::move(ref)) {}

    bool isNull() const { return !m_ref; }
    explicit operator bool() const { return !isNull(); }
    const void* identity() const { return m_ref ? m_ref->identity() : nullptr; }
    AccessibleRef* ref() const { return m_ref.get(); }
    friend bool operator==(const Accessible& a, const Accessible& b) { return a.identity() == b.identity(); }

private:
    std::shared_ptr<AccessibleRef> m_ref;
};

/// One answer of the accessibility layer: the value, or the error that kept it. Reads as a
/// `std::optional` of the value.
template <typename T>
class Answer : public std::optional<T> {
public:
    Answer(T value) : std::optional<T>(std::move(value)) {}
    Answer(AccessError error) : m_error(error == AccessError::success ? AccessError::noValue : error) {}

    /// `success` when there is a value.
    AccessError error() const { return this->has_value() ? AccessError::success : m_error; }

private:
    AccessError m_error = AccessError::success;
};

/// A text range in UTF-16 code units.
struct TextRange {
    qint64 location = 0;
    qint64 length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

/// One thing an element tells, as a key: the AT-SPI backend reads by it, and the in-memory double
/// keeps its scripted answers by it. The program itself asks through `Accessibility`'s typed calls.
enum class Property {
    /// On the root: the active application's focused element.
    focusedElement,
    role,
    /// The whole text.
    value,
    selectedText,
    selectedTextRange,
    /// The frame's top-left corner and its size, in the desktop's coordinates.
    position,
    size,
    /// Written true on an application: asks it to build its accessibility tree though no screen
    /// reader runs (Chromium and Electron).
    manualAccessibility,
    /// How many characters the text holds, in the toolkit's own units: cheap to read whatever the
    /// text's length, so a change of it says the text changed without reading the text.
    numberOfCharacters,
    /// Where the caret stands, in the same units; cheap to read as well.
    caretOffset,
    /// The text around the caret, at most `nearCaretSpan` characters either side: what a long text
    /// holds where the user is, read at the same cost whatever the text's length.
    textNearCaret,
    /// True for a field that holds formatting (a web page's rich-text editor): a whole-text write
    /// would lose it.
    richText,
    /// True for a field that never tells its selection (its selection and caret always read as
    /// none, as in Qt's WebEngine): only a copy tells what the user selected there.
    selectionUnreported,
};

/// A property's value: text, an element, a point, a size, a Boolean, a text range or a number.
using PropertyValue = std::variant<QString, Accessible, QPointF, QSizeF, bool, TextRange, qint64>;

inline size_t qHash(Property p, size_t seed = 0) {
    return ::qHash(static_cast<int>(p), seed);
}

/// How far either side of the caret Property::textNearCaret reaches.
inline constexpr qint64 nearCaretSpan = 1024;

/// The events a process's watch delivers.
enum class AccessEvent {
    /// The focus moved to another element.
    focusChanged,
    textChanged,
    destroyed,
    /// An element or its window moved or changed size.
    windowMoved,
    /// The process's application has just appeared to the accessibility layer (it was not there
    /// when the watch was made, or came back).
    applicationJoined,
};

/// Called on the main thread with the element concerned and the event.
using AccessEventHandler = std::function<void(const Accessible& element, AccessEvent event)>;

}  // namespace quillet
