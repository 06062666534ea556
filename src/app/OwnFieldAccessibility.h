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
    Accessible application(qint32 pid) override { return m_desktop.application(pid); }
    AccessError readProperty(const Accessible& element, Property attribute, PropertyValue& out) override;
    AccessError isPropertySettable(const Accessible& element, Property attribute, bool& settable) override;
    AccessError writeProperty(const Accessible& element, Property attribute,
                              const PropertyValue& value) override;
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

    /// The widget behind `element` when it is the tracked field's element; null for any other.
    QPlainTextEdit* ownWidget(const Accessible& element, bool& isOwn) const;
    void reportFocus(bool focused);

    Accessibility& m_desktop;
    Workspace& m_workspace;
    std::shared_ptr<FieldRef> m_ref;
    std::unique_ptr<FocusWatcher> m_watcher;
    QMetaObject::Connection m_destroyed;
};

}  // namespace quillet
