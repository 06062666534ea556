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

QPlainTextEdit* OwnFieldAccessibility::ownWidget(const Accessible& element, bool& isOwn) const {
    const auto* ref = dynamic_cast<const FieldRef*>(element.ref());
    isOwn = ref != nullptr;
    return ref ? ref->widget.data() : nullptr;
}

AccessError OwnFieldAccessibility::readProperty(const Accessible& element, Property attribute,
                                                PropertyValue& out) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn) {
        // While the sample field has the focus, Quillet is the frontmost application and that field
        // is its focused element (the hotkey asks for it).
        if (attribute == Property::focusedElement && element == m_desktop.root() && fieldHasFocus()) {
            out = this->element();
            return AccessError::success;
        }
        return m_desktop.readProperty(element, attribute, out);
    }
    if (!widget)
        return AccessError::invalidElement;
    if (attribute == Property::role) {
        out = textArea;
    } else if (attribute == Property::value) {
        out = widget->toPlainText();
    } else if (attribute == Property::selectedText) {
        if (!widget->textCursor().hasSelection())
            return AccessError::noValue;
        out = selectionOf(*widget);
    } else if (attribute == Property::selectedTextRange) {
        const QTextCursor cursor = widget->textCursor();
        out = TextRange{cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
    } else if (attribute == Property::position) {
        if (!widget->isVisible())
            return AccessError::noValue;
        if (windowOrigin) {
            const std::optional<QPointF> origin = windowOrigin(widget->window());
            if (!origin)
                return AccessError::noValue;
            out = *origin + QPointF(widget->mapTo(widget->window(), QPoint(0, 0)));
        } else {
            out = QPointF(widget->mapToGlobal(QPoint(0, 0)));
        }
    } else if (attribute == Property::size) {
        if (!widget->isVisible())
            return AccessError::noValue;
        out = QSizeF(widget->size());
    } else {
        return AccessError::unsupported;
    }
    return AccessError::success;
}

AccessError OwnFieldAccessibility::isPropertySettable(const Accessible& element, Property attribute,
                                                      bool& settable) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn)
        return m_desktop.isPropertySettable(element, attribute, settable);
    if (!widget)
        return AccessError::invalidElement;
    settable =
        !widget->isReadOnly() && (attribute == Property::value || attribute == Property::selectedText ||
                                  attribute == Property::selectedTextRange);
    return AccessError::success;
}

AccessError OwnFieldAccessibility::writeProperty(const Accessible& element, Property attribute,
                                                 const PropertyValue& value) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn)
        return m_desktop.writeProperty(element, attribute, value);
    if (!widget)
        return AccessError::invalidElement;
    if (widget->isReadOnly())
        return AccessError::failure;

    if (attribute == Property::value || attribute == Property::selectedText) {
        const QString* text = std::get_if<QString>(&value);
        if (!text)
            return AccessError::illegalArgument;
        // Written as one edit through a cursor, so the field's own Undo takes it back.
        QTextCursor cursor = widget->textCursor();
        if (attribute == Property::value)
            cursor.select(QTextCursor::Document);
        cursor.beginEditBlock();
        cursor.insertText(*text);
        cursor.endEditBlock();
        widget->setTextCursor(cursor);
        return AccessError::success;
    }
    if (attribute == Property::selectedTextRange) {
        const TextRange* range = std::get_if<TextRange>(&value);
        const qint64 length = widget->document()->characterCount() - 1;  // without the final separator
        if (!range || range->location < 0 || range->length < 0 || range->location + range->length > length)
            return AccessError::illegalArgument;
        QTextCursor cursor = widget->textCursor();
        cursor.setPosition(int(range->location));
        cursor.setPosition(int(range->location + range->length), QTextCursor::KeepAnchor);
        widget->setTextCursor(cursor);
        return AccessError::success;
    }
    return AccessError::unsupported;
}

AccessError OwnFieldAccessibility::pid(const Accessible& element, qint32& pid) {
    bool isOwn = false;
    QPlainTextEdit* widget = ownWidget(element, isOwn);
    if (!isOwn)
        return m_desktop.pid(element, pid);
    if (!widget)
        return AccessError::invalidElement;
    pid = m_workspace.ownPid();
    return AccessError::success;
}

}  // namespace quillet
