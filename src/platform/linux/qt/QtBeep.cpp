// The desktop's bell through Qt.
#include "platform/linux/qt/QtBeep.h"

#include <QApplication>

namespace quillet {

void QtBeep::beep() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

}  // namespace quillet
