// Whether the icon stands at a field: an editable field that is not a password field, of an
// application not blocked, holding enough words, while no pause is in force.
#include "core/IconRule.h"

namespace quillet {

bool IconRule::shows(Accessibility& ax, const std::optional<FocusedField>& field,
                     const Conditions& conditions, const std::function<int()>& words) {
    if (!field || conditions.paused || field->isSecure(ax))
        return false;
    if (field->bundleID && conditions.blocklist.contains(*field->bundleID))
        return false;
    return words() >= conditions.minWordCount;
}

}  // namespace quillet
