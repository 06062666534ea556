// The overlay icon's badge: a white disc with a coloured ring and the emblem, reporting clicks.
#pragma once

#include <QWidget>
#include <functional>

#include "core/Surfaces.h"

namespace quillet {

class OverlayIconView : public QWidget {
    Q_OBJECT
public:
    explicit OverlayIconView(QWidget* parent = nullptr);

    /// The desktop's timestamp of the press that last sent clicked(); 0 before any.
    quint64 lastClickTime() const { return m_lastClickTime; }

    IconState state() const { return m_state; }
    /// Changes the state and redraws.
    void setState(IconState state);

    /// The ring's colour in `state`.
    static QColor ringColor(IconState state);

signals:
    /// The button press (not the release), also when the program is not active.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    quint64 m_lastClickTime = 0;
    IconState m_state = IconState::ready;
};

}  // namespace quillet
