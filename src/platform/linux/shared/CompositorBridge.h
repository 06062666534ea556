// Quillet's helper inside the compositor (GNOME Shell's extension, KWin's script): in a Wayland
// session it alone can draw the icon over another program's window, place Quillet's own windows and
// bring a program to the front. Whatever it does falls back to the plain session's way whenever the
// helper does not answer.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <memory>

#include "platform/DesktopIcon.h"
#include "platform/WindowHints.h"
#include "platform/linux/shared/CompositorWindows.h"

namespace quillet {

class CompositorBridge : public QObject, public CompositorWindows {
    Q_OBJECT
public:
    explicit CompositorBridge(QObject* parent = nullptr) : QObject(parent) {}

    /// Whether the helper runs and answers this program now.
    virtual bool isActive() const = 0;
    /// The icon at `rect` (global coordinates) in `state` ("ready", "loading", "error").
    virtual bool showIcon(const QRect& rect, const QString& state, const QString& tooltip) = 0;
    virtual void hideIcon() = 0;
    /// Puts this program's window titled `title` at `rect`, above the others and on every
    /// workspace, with the keyboard when `focus`; a window not mapped yet is placed once it maps.
    virtual bool placeWindow(const QString& title, const QRect& rect, bool focus) = 0;
    /// Brings the latest window of process `pid` to the front; false when that cannot be done.
    virtual bool activateProcess(qint32 pid) = 0;

Q_SIGNALS:
    /// The helper started answering, or stopped.
    void activeChanged(bool active);
    void iconClicked();
};

/// The icon at the field, drawn by the compositor: the keyboard never leaves the field.
class CompositorIcon final : public DesktopIcon {
    Q_OBJECT
public:
    explicit CompositorIcon(CompositorBridge& bridge);
    bool isAvailable() override { return m_bridge.isActive(); }
    bool show(const QRectF& globalRect, Look look, const QString& tooltip) override;
    void hide() override;

private:
    CompositorBridge& m_bridge;
};

/// Quillet's own windows placed by the compositor, which a Wayland client cannot do for itself.
class CompositorWindowHints final : public WindowHints {
public:
    CompositorWindowHints(CompositorBridge& bridge, std::unique_ptr<WindowHints> fallback)
        : m_bridge(bridge), m_fallback(std::move(fallback)) {}
    bool showOnAllWorkspaces(NativeWindowId window) override;
    bool requestKeyboardFocus(NativeWindowId window) override;
    bool moveResize(NativeWindowId window, const QRect& deviceRect) override;

private:
    CompositorBridge& m_bridge;
    std::unique_ptr<WindowHints> m_fallback;
};

}  // namespace quillet
