// The field the global shortcut works on, when no field is being followed at the press.
#pragma once

#include <optional>

#include "base/Geometry.h"
#include "core/FocusedField.h"

namespace quillet {

class Accessibility;
class Workspace;

struct ShortcutField {
    /// The field to check; absent when the keyboard is in none.
    std::optional<FocusedField> field;
    /// Where the keyboard is when it is not in a field, for the notice; absent when unknown.
    std::optional<Rect> near;

    /// Asks which element has the keyboard now. `lastField` is the last field of another
    /// application that had it: while the shortcut's keys are down the desktop holds the keyboard,
    /// and some toolkits report the focus gone meanwhile, so with nothing focused at all that field
    /// is still the one, as long as its application is in front and it is still a text field.
    static ShortcutField find(Accessibility& ax, Workspace& workspace,
                              const std::optional<FocusedField>& lastField);
};

}  // namespace quillet
