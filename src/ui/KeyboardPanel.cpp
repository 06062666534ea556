// The suggestion panel's window: floating like the others, but it takes the keyboard when shown so
#include "ui/KeyboardPanel.h"

#include <QKeyEvent>

namespace quillet {

KeyboardPanel::KeyboardPanel(WindowHints& hints, QWidget* parent)
    : FloatingPanel(Focus::onShow, Shadow::desktop, hints, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void KeyboardPanel::keyPressEvent(QKeyEvent* event) {
    // Escape arrives here from whichever child has the focus, as none of them uses it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        hide();
        emit cancelled();
        return;
    }
    FloatingPanel::keyPressEvent(event);
}

}  // namespace quillet
