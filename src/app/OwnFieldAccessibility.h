// The desktop's accessibility layer, with the program's own sample text field answered in-process.
//
// The desktop never shows Quillet its own widgets in a useful way, and the focus monitor ignores
// Quillet's process on purpose (its panels must not take the focus from the user's field). The setup
// window's "Try it now" field is the one exception: this layer presents that field as an editable
// text element of Quillet's process, reads and writes the widget directly, and tells its owner when
// the field takes or loses the keyboard focus. Every other element and call goes to the desktop.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "platform/Accessibility.h"

class QPlainTextEdit;
class QWidget;

namespace quillet {

class Workspace;

class OwnFieldAccessibility final : public QObject, public Accessibility {
    Q_OBJECT
public:
    /// `desktop` and `workspace` must outlive this object.
    OwnFieldAccessibility(Accessibility& desktop, Workspace& workspace);
    ~OwnFieldAccessibility() override;

    /// Where the contents of the field's window start on screen, where Qt cannot tell (a Wayland
    /// window knows nothing of its place); empty when unknown. Unset: Qt's own answer.
    std::function<std::optional<QPointF>(QWidget* window)> windowOrigin;

    /// Presents `field` (one at a time; a later call replaces the earlier one). When it already has
    /// the focus, that is reported at once.
    void track(QPlainTextEdit* field);
    /// The tracked field's element; a null element when none is tracked.
    Accessible element() const;
    /// Whether the tracked field exists and holds the keyboard focus of the active window.
    bool fieldHasFocus() const;

    // Accessibility
    bool accessibilityEnabled() override { return m_desktop.accessibilityEnabled(); }
    void enableAccessibility() override { m_desktop.enableAccessibility(); }
    bool passwordFieldFocused() override { return m_desktop.passwordFieldFocused(); }
    Accessible root() override { return m_desktop.root(); }
    void startListening() override { m_desktop.startListening(); }
    Accessible application(qint32 pid) override { return m_desktop.application(pid); }
    Answer<Accessible> focusedElement() override;
    Answer<QString> role(const Accessible& element) override;
    Answer<QString> text(const Accessible& field) override;
    Answer<QString> selectedText(const Accessible& field) override;
    Answer<TextRange> selection(const Accessible& field) override;
    Answer<qint64> characterCount(const Accessible& field) override;
    Answer<qint64> caretOffset(const Accessible& field) override;
    Answer<QString> textNearCaret(const Accessible& field) override;
    Answer<Rect> frame(const Accessible& element) override;
    bool isRichText(const Accessible& field) override;
    bool hidesSelection(const Accessible& field) override;
    bool canSetText(const Accessible& field) override;
    bool canReplaceSelection(const Accessible& field) override;
    AccessError setText(const Accessible& field, const QString& text) override;
    AccessError replaceSelection(const Accessible& field, const QString& text) override;
    AccessError select(const Accessible& field, const TextRange& range) override;
    AccessError replaceText(const Accessible& field, const TextRange& range, const QString& text) override;
    AccessError exposeContents(const Accessible& application) override {
        return m_desktop.exposeContents(application);
    }
    AccessError pid(const Accessible& element, qint32& pid) override;
    std::unique_ptr<EventWatch> createWatch(qint32 pid, AccessEventHandler handler) override {
        return m_desktop.createWatch(pid, std::move(handler));
    }

Q_SIGNALS:
    /// The tracked field took the keyboard focus (true), or lost it or went away (false).
    void focusChanged(bool focused);

private:
    class FieldRef;
    class FocusWatcher;

    /// Whether `element` is the tracked field's element; `widget` is then the field, or null once
    /// it is gone.
    bool isOwn(const Accessible& element, QPlainTextEdit*& widget) const;
    /// Writes `text` over the field's selection, or over all of it, as one edit.
    static AccessError insert(QPlainTextEdit& widget, const QString& text, bool whole);
    void reportFocus(bool focused);

    Accessibility& m_desktop;
    Workspace& m_workspace;
    std::shared_ptr<FieldRef> m_ref;
    std::unique_ptr<FocusWatcher> m_watcher;
    QMetaObject::Connection m_destroyed;
};

}  // namespace quillet
