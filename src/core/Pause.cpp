// A pause of the icon: for a while, or until the program restarts; a date gone by means active again.
#include "core/Pause.h"

#include <QTimeZone>

namespace quillet {

void Pause::start(std::optional<qint64> seconds, const QDateTime& now) {
    // "Until restart" is a date no run will reach.
    m_until = seconds ? now.addSecs(*seconds) : QDateTime(QDate(4001, 1, 1), QTime(0, 0), QTimeZone::utc());
}

}  // namespace quillet
