// The program's own windows are never a source of text.
#include "core/OwnWindows.h"

#include "platform/Workspace.h"

namespace quillet::OwnWindows {

bool inFront(Workspace& workspace) {
    const std::optional<RunningApplication> front = workspace.activeApplication();
    return front && front->pid == workspace.ownPid();
}

bool allowRequest(Workspace& workspace, const std::optional<FocusedField>& current) {
    if (!inFront(workspace))
        return true;
    // Focus tracking follows a field of ours only when the setup window presents its sample field.
    return current && current->pid == workspace.ownPid();
}

}  // namespace quillet::OwnWindows
