// How long ago an input event happened, from the timestamp the desktop put on it. X servers and
#include "platform/linux/shared/InputEventTime.h"

namespace quillet::InputEventTime {

std::optional<std::chrono::milliseconds> age(quint64 timestamp, std::chrono::milliseconds monotonicNow) {
    if (timestamp == 0 || timestamp > 0xffffffffu)
        return std::nullopt;
    // Both cut to 32 bits, the difference is right across the wrap every 49 days.
    const quint32 now = quint32(quint64(monotonicNow.count()));
    const quint32 elapsed = now - quint32(timestamp);
    if (elapsed > quint32(plausibleAge.count()))
        return std::nullopt;
    return std::chrono::milliseconds(elapsed);
}

std::optional<std::chrono::milliseconds> ageNow(quint64 timestamp) {
    return age(timestamp, std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch()));
}

}  // namespace quillet::InputEventTime
