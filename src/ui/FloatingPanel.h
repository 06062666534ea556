// The floating window every surface lives in: frameless, above ordinary and floating windows, on every
// workspace, with a transparent background; it either never takes focus or takes it when shown.
#pragma once

#include <QPointF>
#include <QWidget>

#include "base/Geometry.h"
#include "platform/WindowHints.h"

namespace quillet {

class FloatingPanel : public QWidget {
    Q_OBJECT
public:
    enum class Focus {
        never,   ///< clicks and showing leave the other application active
        onShow,  ///< takes keyboard focus when brought to the front
    };
    enum class Shadow { none, desktop };

    /// `hints` must outlive the panel.
    FloatingPanel(Focus focus, Shadow shadow, WindowHints& hints, QWidget* parent = nullptr);

    /// Makes `content` fill the panel; the panel owns it.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    /// Moves and resizes the panel to `frame`, in global coordinates.
    void setScreenFrame(const Rect& frame);
    /// Where the panel is, in global coordinates.
    Rect screenFrame() const;

    /// Brings the panel to the front, taking keyboard focus only for Focus::onShow.
    void bringToFront();
    /// Brings the panel to the front without taking the keyboard, whatever its Focus; a later
    /// bringToFront() takes it.
    void showWithoutActivating();
    /// Creates the window and gives the desktop its hints now rather than on the first bringToFront(),
    /// for a panel built ahead of its use.
    void prepareNative();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyNativeHints();

    Focus m_focus;
    WindowHints& m_hints;
    QWidget* m_content = nullptr;
    bool m_hintsApplied = false;
};

}  // namespace quillet
