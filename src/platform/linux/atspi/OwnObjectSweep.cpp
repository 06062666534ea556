// Which of this program's own objects libatspi may forget, and when to look.
#include "platform/linux/atspi/OwnObjectSweep.h"

#include <algorithm>

namespace quillet {

namespace {
constexpr char prefix[] = "/org/a11y/atspi/accessible/";
}  // namespace

std::optional<quint32> OwnObjectSweep::idOf(const QByteArray& path) {
    if (!path.startsWith(prefix))
        return std::nullopt;
    const QByteArray number = path.mid(int(sizeof(prefix)) - 1);
    bool ok = false;
    const quint32 id = number.toUInt(&ok);
    // Digits only: toUInt would also take a sign or surrounding blanks.
    if (!ok || number.isEmpty() ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return id;
}

QList<QByteArray> OwnObjectSweep::sweep(const QList<QByteArray>& paths, int held,
                                        const std::function<bool(quint32)>& exists) {
    QList<QByteArray> gone;
    for (const QByteArray& path : paths) {
        const std::optional<quint32> id = idOf(path);
        if (id && !exists(*id))
            gone << path;
    }
    m_heldAfterSweep = held - int(gone.size());
    return gone;
}

}  // namespace quillet
