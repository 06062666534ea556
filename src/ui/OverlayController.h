// The floating icon over the focused field's bottom-right corner: one panel for the whole run.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "core/L10n.h"
#include "core/SurfacePlacement.h"
#include "platform/DesktopIcon.h"
#include "ui/FloatingPanel.h"
#include "ui/OverlayIconView.h"

namespace quillet {

class OverlayController : public FieldIcon {
    Q_OBJECT
public:
    static constexpr double iconSize = SurfacePlacement::iconSize;
    static constexpr double margin = SurfacePlacement::iconMargin;

    /// `hints` must outlive the controller.
    explicit OverlayController(WindowHints& hints, QObject* parent = nullptr);
    ~OverlayController() override;

    /// The desktop's timestamp of the click that last sent clicked(); 0 when unknown.
    quint64 lastClickTime() const override;

    /// Places the icon inside the bottom-right corner of the part of `nearFieldFrame` (a screen frame)
    /// that `windowFrame` and the screens show, or beside that part when it is short (see
    /// SurfacePlacement), and shows it without taking focus. The first call makes the panel; later calls move
    /// it.
    void show(const Rect& nearFieldFrame, const std::optional<Rect>& windowFrame = std::nullopt,
              const QList<ScreenInfo>& screens = {}) override;
    /// Orders the icon's panel out; it keeps its state.
    void hide() override;
    bool isVisible() const override;

    /// The badge's state. Set before the first show, it is kept for the badge when it is made.
    IconState state() const override;
    void setState(IconState state) override;

    /// Where the desktop draws the icon itself (GNOME Shell under Wayland): while it does, the icon
    /// is the desktop's and no panel is made. `icon` must outlive the controller; null: never.
    void setDesktopIcon(DesktopIcon* icon);
    /// Where the icon is shown now, as a screen frame; empty while it is hidden.
    std::optional<Rect> iconFrame() const override;

    /// The panel and its badge; null until the first show.
    FloatingPanel* panel() const { return m_panel.get(); }
    OverlayIconView* iconView() const { return m_iconView; }

    /// The tooltip in the language `l`, naming the global shortcut in force, or none while it is off.
    static QString tooltipText(const L10n& l);

private:
    void createPanel();
    bool drawnByDesktop() const { return m_desktopIcon && m_desktopIcon->isAvailable(); }
    void showOnDesktop();
    void updateTooltip();

    WindowHints& m_hints;
    std::unique_ptr<FloatingPanel> m_panel;
    QPointer<OverlayIconView> m_iconView;
    // The badge's tooltip keeps the language it was made in; the shortcut it names follows the settings.
    std::optional<L10n> m_tooltipLanguage;
    IconState m_pendingState = IconState::ready;
    quint64 m_lastClickTime = 0;
    DesktopIcon* m_desktopIcon = nullptr;
    // The frame the desktop's icon was shown at; empty while it is hidden.
    std::optional<Rect> m_desktopFrame;
};

}  // namespace quillet
