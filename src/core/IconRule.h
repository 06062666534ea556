// Whether the icon stands at a field: an editable field that is not a password field, of an
// application not blocked, holding enough words, while no pause is in force.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "core/FocusedField.h"

namespace quillet {

class Accessibility;

namespace IconRule {

/// What the rule reads besides the field.
struct Conditions {
    bool paused = false;
    QStringList blocklist;
    qint64 minWordCount = 1;
};

/// Whether the icon shows at `field` (empty: no editable field has the keyboard). `words` counts
/// the field's words; it is asked last, as reading a field's text costs a round trip.
bool shows(Accessibility& ax, const std::optional<FocusedField>& field, const Conditions& conditions,
           const std::function<int()>& words);

}  // namespace IconRule
}  // namespace quillet
