// The platform services Quillet's helper script inside KWin gives a Wayland session: the icon at
// the field, drawn by KWin as a window that never takes the keyboard, and the placement of
// Quillet's own windows. Each falls back to what the session offers without it whenever the
// script does not run.
#pragma once

#include <QObject>
#include <memory>

#include "platform/DesktopIcon.h"
#include "platform/WindowHints.h"
#include "platform/linux/kwin/KWinBridge.h"

namespace quillet {

class KWinIcon final : public QObject, public DesktopIcon {
    Q_OBJECT
public:
    explicit KWinIcon(KWinBridge& bridge);
    bool isAvailable() override { return m_bridge.isActive(); }
    bool show(const QRectF& globalRect, Look look, const QString& tooltip) override;
    void hide() override;

private:
    KWinBridge& m_bridge;
};

/// Quillet's panel and notices placed by KWin, which a Wayland client cannot do for itself.
class KWinWindowHints final : public WindowHints {
public:
    KWinWindowHints(KWinBridge& bridge, std::unique_ptr<WindowHints> fallback)
        : m_bridge(bridge), m_fallback(std::move(fallback)) {}
    bool showOnAllWorkspaces(NativeWindowId window) override;
    bool requestKeyboardFocus(NativeWindowId window) override;
    bool moveResize(NativeWindowId window, const QRect& deviceRect) override;

private:
    KWinBridge& m_bridge;
    std::unique_ptr<WindowHints> m_fallback;
};

}  // namespace quillet
