// A request to check a field (the shortcut, the icon, `quillet --trigger`) is carried out only
// while it is fresh, and only for the field it was made in: one that waited (the program was
// stopped, or the machine busy) belongs to a moment the user has left behind.
#pragma once

#include <chrono>
#include <optional>

#include "core/L10n.h"
#include "platform/Accessibility.h"

namespace quillet {

struct Trigger {
    /// When the user made it, on the scheduler's clock; empty when that is now (or not told).
    std::optional<std::chrono::milliseconds> madeAt;
    /// The field it was made for (the one the icon stood at); null for whichever has the keyboard.
    Accessible field;
    /// Made by another process (`quillet --trigger`, or any program on the session bus), where no
    /// press of the user's was seen: it holds to the pause and the block list, as the icon does.
    bool byRequest = false;
};

namespace TriggerFreshness {

/// The oldest a request may be when the program gets to it.
inline constexpr std::chrono::milliseconds maxAge{1500};

/// Whether a request made at `madeAt` may still be carried out at `now`.
inline bool isFresh(const Trigger& trigger, std::chrono::milliseconds now) {
    return !trigger.madeAt || now - *trigger.madeAt <= maxAge;
}

/// The notice at the field when a request was dropped for its age.
inline QString droppedNotice(const L10n& l) {
    return l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet was too busy to take that — press again."));
}

/// A request made `age` before `now` (the age as the desktop tells it; empty when it does not).
inline Trigger madeAgo(std::optional<std::chrono::milliseconds> age, std::chrono::milliseconds now) {
    Trigger trigger;
    if (age)
        trigger.madeAt = now - *age;
    return trigger;
}

}  // namespace TriggerFreshness
}  // namespace quillet
