// The suggestion panel's window: floating like the others, but it takes the keyboard when shown so
// that Return and Escape reach it.
#pragma once

#include <functional>

#include "ui/FloatingPanel.h"

namespace quillet {

class KeyboardPanel : public FloatingPanel {
    Q_OBJECT
public:
    explicit KeyboardPanel(WindowHints& hints, QWidget* parent = nullptr);

signals:
    /// Escape has removed the panel from the screen.
    void cancelled();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace quillet
