// The program's own windows (settings, setup, the panel) are never a source of text: with one of
// them in front, the shortcut and `quillet --trigger` read, copy and send nothing. The setup
// window's sample field is the one exception, a field the program presents on purpose.
#pragma once

#include <optional>

#include "core/FocusedField.h"

namespace quillet {

class Workspace;

namespace OwnWindows {

/// Whether the window in front is one of this program's.
bool inFront(Workspace& workspace);
/// Whether a request made now may go on: no window of ours in front, or `current` is the sample
/// field, the one field of ours that is followed.
bool allowRequest(Workspace& workspace, const std::optional<FocusedField>& current);

}  // namespace OwnWindows
}  // namespace quillet
