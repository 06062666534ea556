// The field the global shortcut works on, when no field is being followed at the press.
#include "core/ShortcutField.h"

#include "platform/Accessibility.h"
#include "platform/Workspace.h"

namespace quillet {

ShortcutField ShortcutField::find(Accessibility& ax, Workspace& workspace,
                                  const std::optional<FocusedField>& lastField) {
    ShortcutField found;
    if (const std::optional<Accessible> focused = ax.focusedElement()) {
        found.field = FocusedField::from(ax, workspace, *focused);
        if (!found.field)
            found.near = ax.frame(*focused);
        return found;
    }
    if (!lastField)
        return found;
    const std::optional<RunningApplication> front = workspace.activeApplication();
    if (front && front->pid == lastField->applicationPid() &&
        FocusedField::isEditableTextElement(ax, lastField->element))
        found.field = lastField;
    return found;
}

}  // namespace quillet
