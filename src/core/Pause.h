// A pause of the icon: for a while, or until the program restarts; a date gone by means active again.
#pragma once

#include <QDateTime>
#include <optional>

namespace quillet {

class Pause {
public:
    /// The pauses offered besides "until restart", in seconds.
    static constexpr qint64 shortPause = 15 * 60;
    static constexpr qint64 longPause = 60 * 60;

    /// Pauses from `now` for `seconds`, or until restart without a duration.
    void start(std::optional<qint64> seconds, const QDateTime& now);
    /// Ends a pause at once.
    void end() { m_until.reset(); }
    /// Whether a pause is in force at `now`.
    bool inForce(const QDateTime& now) const { return m_until && *m_until > now; }
    /// When the pause last set ends; empty when none was set.
    std::optional<QDateTime> until() const { return m_until; }

private:
    std::optional<QDateTime> m_until;
};

}  // namespace quillet
