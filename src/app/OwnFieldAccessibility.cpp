// The desktop's accessibility layer, with the program's own sample text field answered in-process.
#include "app/OwnFieldAccessibility.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/Workspace.h"

namespace quillet {

class OwnFieldAccessibility::FieldRef final : public AccessibleRef {
public:
    explicit FieldRef(QPlainTextEdit* widget) : widget(widget), m_identity(widget) {}
    // The widget's address, kept after it is gone, so that stale handles still compare equal.
    const void* identity() const override { return m_identity; }

    QPointer<QPlainTextEdit> widget;

private:
    const void* m_identity;
};

class OwnFieldAccessibility::FocusWatcher final : public QObject {
public:
    explicit FocusWatcher(OwnFieldAccessibility& owner) : m_owner(owner) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            m_owner.reportFocus(true);
        } else if (event->type() == QEvent::FocusOut) {
            // The field's own context menu borrows the focus without taking it away.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                m_owner.reportFocus(false);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    OwnFieldAccessibility& m_owner;
};

namespace {

const QString textArea = QStringLiteral("AXTextArea");

// QTextCursor::selectedText marks line breaks with U+2029; the field's value has plain '\n'.
QString selectionOf(const QPlainTextEdit& widget) {
    QString text = widget.textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace

OwnFieldAccessibility::OwnFieldAccessibility(Accessibility& desktop, Workspace& workspace)
    : m_desktop(desktop), m_workspace(workspace), m_watcher(std::make_unique<FocusWatcher>(*this)) {}

OwnFieldAccessibility::~OwnFieldAccessibility() {
    QObject::disconnect(m_destroyed);
    if (m_ref && m_ref->widget)
        m_ref->widget->removeEventFilter(m_watcher.get());
}

void OwnFieldAccessibility::track(QPlainTextEdit* field) {
    if (m_ref && m_ref->widget == field)
        return;
    if (m_ref && m_ref->widget) {
        m_ref->widget->removeEventFilter(m_watcher.get());
        if (m_ref->widget->hasFocus())
            reportFocus(false);
    }
    QObject::disconnect(m_destroyed);
    m_ref.reset();
    if (!field)
        return;
    m_ref = std::make_shared<FieldRef>(field);
    field->installEventFilter(m_watcher.get());
    // A field that goes while it has the focus sends no focus-out of its own.
    m_destroyed =
        QObject::connect(field, &QObject::destroyed, m_watcher.get(), [this] { reportFocus(false); });
    if (field->hasFocus())
        reportFocus(true);
}

Accessible OwnFieldAccessibility::element() const {
    return m_ref ? Accessible(m_ref) : Accessible();
}

bool OwnFieldAccessibility::fieldHasFocus() const {
    return m_ref && m_ref->widget && m_ref->widget->hasFocus() && m_ref->widget->isActiveWindow();
}

void OwnFieldAccessibility::reportFocus(bool focused) {
    Q_EMIT focusChanged(focused);
}

bool OwnFieldAccessibility::isOwn(const Accessible& element, QPlainTextEdit*& widget) const {
    const auto* ref = dynamic_cast<const FieldRef*>(element.ref());
    widget = ref ? ref->widget.data() : nullptr;
    return ref != nullptr;
}

// Each call goes to the desktop unless it is about the tracked field, which answers `gone` once its
// widget is destroyed.
#define OWN_OR_DESKTOP(call, element, gone) \
    QPlainTextEdit* widget = nullptr;       \
    if (!isOwn(element, widget))            \
        return m_desktop.call;              \
    if (!widget)                            \
        return gone;

Answer<Accessible> OwnFieldAccessibility::focusedElement() {
    // While the sample field has the focus, Quillet is the active application and that field is
    // its focused element (the shortcut asks for it).
    if (fieldHasFocus())
        return element();
    return m_desktop.focusedElement();
}

Answer<QString> OwnFieldAccessibility::role(const Accessible& element) {
    OWN_OR_DESKTOP(role(element), element, AccessError::invalidElement)
    return textArea;
}

Answer<QString> OwnFieldAccessibility::text(const Accessible& field) {
    OWN_OR_DESKTOP(text(field), field, AccessError::invalidElement)
    return widget->toPlainText();
}

Answer<QString> OwnFieldAccessibility::selectedText(const Accessible& field) {
    OWN_OR_DESKTOP(selectedText(field), field, AccessError::invalidElement)
    if (!widget->textCursor().hasSelection())
        return AccessError::noValue;
    return selectionOf(*widget);
}

Answer<TextRange> OwnFieldAccessibility::selection(const Accessible& field) {
    OWN_OR_DESKTOP(selection(field), field, AccessError::invalidElement)
    const QTextCursor cursor = widget->textCursor();
    return TextRange{cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

// The sample field is read whole: it is short, and in this process.
Answer<qint64> OwnFieldAccessibility::characterCount(const Accessible& field) {
    OWN_OR_DESKTOP(characterCount(field), field, AccessError::invalidElement)
    return AccessError::unsupported;
}

Answer<qint64> OwnFieldAccessibility::caretOffset(const Accessible& field) {
    OWN_OR_DESKTOP(caretOffset(field), field, AccessError::invalidElement)
    return AccessError::unsupported;
}

Answer<QString> OwnFieldAccessibility::textNearCaret(const Accessible& field) {
    OWN_OR_DESKTOP(textNearCaret(field), field, AccessError::invalidElement)
    return AccessError::unsupported;
}

Answer<Rect> OwnFieldAccessibility::frame(const Accessible& element) {
    OWN_OR_DESKTOP(frame(element), element, AccessError::invalidElement)
    if (!widget->isVisible())
        return AccessError::noValue;
    QPointF origin(widget->mapToGlobal(QPoint(0, 0)));
    if (windowOrigin) {
        const std::optional<QPointF> window = windowOrigin(widget->window());
        if (!window)
            return AccessError::noValue;
        origin = *window + QPointF(widget->mapTo(widget->window(), QPoint(0, 0)));
    }
    return Rect(origin, QSizeF(widget->size()));
}

bool OwnFieldAccessibility::isRichText(const Accessible& field) {
    OWN_OR_DESKTOP(isRichText(field), field, false)
    return false;
}

bool OwnFieldAccessibility::hidesSelection(const Accessible& field) {
    OWN_OR_DESKTOP(hidesSelection(field), field, false)
    return false;
}

bool OwnFieldAccessibility::canSetText(const Accessible& field) {
    OWN_OR_DESKTOP(canSetText(field), field, false)
    return !widget->isReadOnly();
}

bool OwnFieldAccessibility::canReplaceSelection(const Accessible& field) {
    OWN_OR_DESKTOP(canReplaceSelection(field), field, false)
    return !widget->isReadOnly();
}

AccessError OwnFieldAccessibility::insert(QPlainTextEdit& widget, const QString& text, bool whole) {
    if (widget.isReadOnly())
        return AccessError::failure;
    // Written as one edit through a cursor, so the field's own Undo takes it back.
    QTextCursor cursor = widget.textCursor();
    if (whole)
        cursor.select(QTextCursor::Document);
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    widget.setTextCursor(cursor);
    return AccessError::success;
}

AccessError OwnFieldAccessibility::setText(const Accessible& field, const QString& text) {
    OWN_OR_DESKTOP(setText(field, text), field, AccessError::invalidElement)
    return insert(*widget, text, true);
}

AccessError OwnFieldAccessibility::replaceSelection(const Accessible& field, const QString& text) {
    OWN_OR_DESKTOP(replaceSelection(field, text), field, AccessError::invalidElement)
    return insert(*widget, text, false);
}

AccessError OwnFieldAccessibility::select(const Accessible& field, const TextRange& range) {
    OWN_OR_DESKTOP(select(field, range), field, AccessError::invalidElement)
    if (widget->isReadOnly())
        return AccessError::failure;
    const qint64 length = widget->document()->characterCount() - 1;  // without the final separator
    if (range.location < 0 || range.length < 0 || range.location + range.length > length)
        return AccessError::illegalArgument;
    QTextCursor cursor = widget->textCursor();
    cursor.setPosition(int(range.location));
    cursor.setPosition(int(range.location + range.length), QTextCursor::KeepAnchor);
    widget->setTextCursor(cursor);
    return AccessError::success;
}

AccessError OwnFieldAccessibility::replaceText(const Accessible& field, const TextRange& range,
                                               const QString& text) {
    OWN_OR_DESKTOP(replaceText(field, range, text), field, AccessError::invalidElement)
    return AccessError::unsupported;
}

AccessError OwnFieldAccessibility::pid(const Accessible& element, qint32& pid) {
    OWN_OR_DESKTOP(pid(element, pid), element, AccessError::invalidElement)
    pid = m_workspace.ownPid();
    return AccessError::success;
}

#undef OWN_OR_DESKTOP

}  // namespace quillet
