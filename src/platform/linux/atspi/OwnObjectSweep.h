// libatspi keeps every object of an application it has heard of until that application says the
// object is gone. Qt's bridge (as of Qt 6.4) never says so, and this program hears of its own
// objects through the events it listens to: each panel, made afresh for every request, would stay
// in that cache for good. The sweep tells which of this program's own objects to forget, and when.
#pragma once

#include <QByteArray>
#include <QList>
#include <functional>
#include <optional>

namespace quillet {

class OwnObjectSweep {
public:
    /// How many more objects than after the last sweep are let in before the next one.
    static constexpr int slack = 16;

    /// The number Qt's bridge gives the object with the bus path `path` (QAccessible::Id); empty
    /// for the application itself and for any path not of that form.
    static std::optional<quint32> idOf(const QByteArray& path);

    /// Whether the cache of this program's own application, now holding `held` objects, is looked
    /// through again.
    bool isDue(int held) const { return held >= m_heldAfterSweep + slack; }
    /// Of `paths`, those of objects this program no longer has (`exists` tells by their number);
    /// the cache then holds `held` less those.
    QList<QByteArray> sweep(const QList<QByteArray>& paths, int held,
                            const std::function<bool(quint32)>& exists);

private:
    int m_heldAfterSweep = 0;
};

}  // namespace quillet
