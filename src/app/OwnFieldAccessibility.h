// The desktop's accessibility layer, with the program's own sample text field answered in-process.
//
// The desktop never shows Quillet its own widgets in a useful way, and the focus monitor ignores
// Quillet's process on purpose (its panels must not take the focus from the user's field). The setup
// window's "Try it now" field is the one exception: this layer presents that field as an editable
// text element of Quillet's process, reads and writes the widget directly, and tells its owner when
// the field takes or loses the keyboard focus. Every other element and call goes to the desktop.
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "platform/Accessibility.h"

class QPlainTextEdit;
class QWidget;

namespace quillet {

class Workspace;

class OwnFieldAccessibility final : public Accessibility {
public:
    /// `desktop` and `workspace` must outlive this object.
    OwnFieldAccessibility(Accessibility& desktop, Workspace& workspace);
    ~OwnFieldAccessibility() override;

    /// Called when the tracked field takes the keyboard focus (true) or loses it or goes away (false).
    std::function<void(bool focused)> onFocusChanged;
    /// Where the contents of the field's window start on screen, where Qt cannot tell (a Wayland
    /// window knows nothing of its place); empty when unknown. Unset: Qt's own answer.
    std::function<std::optional<QPointF>(QWidget* window)> windowOrigin;

    /// Presents `field` (one at a time; a later call replaces the earlier one). When it already has
    /// the focus, that is reported at once.
    void track(QPlainTextEdit* field);
    /// The tracked field's element; a null element when none is tracked.
    AXElement element() const;
    /// Whether the tracked field exists and holds the keyboard focus of the active window.
    bool fieldHasFocus() const;

    // Accessibility
    bool accessibilityEnabled() override { return m_desktop.accessibilityEnabled(); }
    void enableAccessibility() override { m_desktop.enableAccessibility(); }
    bool passwordFieldFocused() override { return m_desktop.passwordFieldFocused(); }
    AXElement systemWide() override { return m_desktop.systemWide(); }
    AXElement application(qint32 pid) override { return m_desktop.application(pid); }
    AXError copyAttribute(const AXElement& element, const QString& attribute, AXValue& out) override;
    AXError isAttributeSettable(const AXElement& element, const QString& attribute, bool& settable) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError pid(const AXElement& element, qint32& pid) override;
    std::unique_ptr<AXObserver> createObserver(qint32 pid, AXNotificationHandler handler) override {
        return m_desktop.createObserver(pid, std::move(handler));
    }

private:
    class FieldRef;
    class FocusWatcher;

    /// The widget behind `element` when it is the tracked field's element; null for any other.
    QPlainTextEdit* ownWidget(const AXElement& element, bool& isOwn) const;
    void reportFocus(bool focused);

    Accessibility& m_desktop;
    Workspace& m_workspace;
    std::shared_ptr<FieldRef> m_ref;
    std::unique_ptr<FocusWatcher> m_watcher;
    QMetaObject::Connection m_destroyed;
};

}  // namespace quillet
