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

class OwnFieldAccessibility::FieldRef final : public AXElementRef {
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

AXElement OwnFieldAccessibility::element() const {
    return m_ref ? AXElement(m_ref) : AXElement();
}

bool OwnFieldAccessibility::fieldHasFocus() const {
    return m_ref && m_ref->widget && m_ref->widget->hasFocus() && m_ref->widget->isActiveWindow();
}

void OwnFieldAccessibility::reportFocus(bool focused) {
    if (onFocusChanged)
        onFocusChanged(focused);
}

QPlainTextEdit* OwnFieldAccessibility::ownWidget(const AXElement& element, bool& isOwn) const {
    const auto* ref = dynamic_cast<const FieldRef*>(element.ref());
    isOwn = ref != nullptr;
    return ref ? ref->widget.data() : nullptr;
}

AXError OwnFieldAccessibility::copyAttribute(const AXElement& element, const QString& attribute,
                                             AXValue& out) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn) {
        // While the sample field has the focus, Quillet is the frontmost application and that field
        // is its focused element (the hotkey asks for it).
        if (attribute == AXAttr::focusedUIElement && element == m_desktop.systemWide() && fieldHasFocus()) {
            out = this->element();
            return AXError::success;
        }
        return m_desktop.copyAttribute(element, attribute, out);
    }
    if (!widget)
        return AXError::invalidUIElement;
    if (attribute == AXAttr::role) {
        out = textArea;
    } else if (attribute == AXAttr::value) {
        out = widget->toPlainText();
    } else if (attribute == AXAttr::selectedText) {
        if (!widget->textCursor().hasSelection())
            return AXError::noValue;
        out = selectionOf(*widget);
    } else if (attribute == AXAttr::selectedTextRange) {
        const QTextCursor cursor = widget->textCursor();
        out = AXTextRange{cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
    } else if (attribute == AXAttr::position) {
        if (!widget->isVisible())
            return AXError::noValue;
        if (windowOrigin) {
            const std::optional<QPointF> origin = windowOrigin(widget->window());
            if (!origin)
                return AXError::noValue;
            out = *origin + QPointF(widget->mapTo(widget->window(), QPoint(0, 0)));
        } else {
            out = QPointF(widget->mapToGlobal(QPoint(0, 0)));
        }
    } else if (attribute == AXAttr::size) {
        if (!widget->isVisible())
            return AXError::noValue;
        out = QSizeF(widget->size());
    } else {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError OwnFieldAccessibility::isAttributeSettable(const AXElement& element, const QString& attribute,
                                                   bool& settable) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn)
        return m_desktop.isAttributeSettable(element, attribute, settable);
    if (!widget)
        return AXError::invalidUIElement;
    settable = !widget->isReadOnly() && (attribute == AXAttr::value || attribute == AXAttr::selectedText ||
                                         attribute == AXAttr::selectedTextRange);
    return AXError::success;
}

AXError OwnFieldAccessibility::setAttribute(const AXElement& element, const QString& attribute,
                                            const AXValue& value) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn)
        return m_desktop.setAttribute(element, attribute, value);
    if (!widget)
        return AXError::invalidUIElement;
    if (widget->isReadOnly())
        return AXError::failure;

    if (attribute == AXAttr::value || attribute == AXAttr::selectedText) {
        const QString* text = std::get_if<QString>(&value);
        if (!text)
            return AXError::illegalArgument;
        // Written as one edit through a cursor, so the field's own Undo takes it back.
        QTextCursor cursor = widget->textCursor();
        if (attribute == AXAttr::value)
            cursor.select(QTextCursor::Document);
        cursor.beginEditBlock();
        cursor.insertText(*text);
        cursor.endEditBlock();
        widget->setTextCursor(cursor);
        return AXError::success;
    }
    if (attribute == AXAttr::selectedTextRange) {
        const AXTextRange* range = std::get_if<AXTextRange>(&value);
        const qint64 length = widget->document()->characterCount() - 1;  // without the final separator
        if (!range || range->location < 0 || range->length < 0 || range->location + range->length > length)
            return AXError::illegalArgument;
        QTextCursor cursor = widget->textCursor();
        cursor.setPosition(int(range->location));
        cursor.setPosition(int(range->location + range->length), QTextCursor::KeepAnchor);
        widget->setTextCursor(cursor);
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError OwnFieldAccessibility::pid(const AXElement& element, qint32& pid) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn)
        return m_desktop.pid(element, pid);
    if (!widget)
        return AXError::invalidUIElement;
    pid = m_workspace.ownPid();
    return AXError::success;
}

}  // namespace quillet
