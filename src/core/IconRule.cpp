// Whether the icon stands at a field: an editable field that is not a password field, of an
// application not blocked, holding enough words, while no pause is in force.
#include "core/IconRule.h"

#include "platform/Workspace.h"

namespace quillet {

bool IconRule::leavesAlone(const std::optional<QString>& appId, const Conditions& conditions) {
    return conditions.paused || (appId && conditions.blocklist.contains(*appId));
}

bool IconRule::refusesRequest(Workspace& workspace, const std::optional<FocusedField>& field,
                              const Conditions& conditions) {
    if (field)
        return leavesAlone(field->appId, conditions);
    const std::optional<RunningApplication> front = workspace.activeApplication();
    return leavesAlone(front ? front->appId : std::nullopt, conditions);
}

bool IconRule::shows(Accessibility& ax, const std::optional<FocusedField>& field,
                     const Conditions& conditions, const std::function<int()>& words) {
    if (!field || conditions.paused || field->isSecure(ax))
        return false;
    if (leavesAlone(field->appId, conditions))
        return false;
    return words() >= conditions.minWordCount;
}

}  // namespace quillet
