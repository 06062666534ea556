// Whether the icon stands at a field: an editable field that is not a password field, of an
// application not blocked, holding enough words, while no pause is in force.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "core/FocusedField.h"

namespace quillet {

class Accessibility;
class Workspace;

namespace IconRule {

/// What the rule reads besides the field.
struct Conditions {
    bool paused = false;
    QStringList blocklist;
    qint64 minWordCount = 1;
};

/// Whether the user's rules keep the program out of the application `appId` (empty: one without
/// an identifier) now: a pause in force, or the application on the block list. The icon does not
/// show there, and a request of another process (`quillet --trigger`) reads nothing of it.
bool leavesAlone(const std::optional<QString>& appId, const Conditions& conditions);

/// Whether a request with no press seen behind it (another program's trigger) is turned down: the
/// icon's rules, for the field's application or, where no field was found, the one in front.
bool refusesRequest(Workspace& workspace, const std::optional<FocusedField>& field,
                    const Conditions& conditions);

/// Whether the icon shows at `field` (empty: no editable field has the keyboard). `words` counts
/// the field's words; it is asked last, as reading a field's text costs a round trip.
bool shows(Accessibility& ax, const std::optional<FocusedField>& field, const Conditions& conditions,
           const std::function<int()>& words);

}  // namespace IconRule
}  // namespace quillet
