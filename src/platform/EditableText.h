// Whether an element is text the user writes in, judged the same way by the focus monitor and by
// the backends' own focus rules.
#pragma once

#include "platform/Accessibility.h"

namespace quillet {

/// An element of one of the editable roles, or any element whose value is settable text. Asks the
/// element (one to three round trips); false when it cannot tell.
bool isEditableTextElement(Accessibility& ax, const Accessible& element);

}  // namespace quillet
