// A key combination spelled for a desktop service: its modifiers in the service's words, then the
// key's X keysym name.
#pragma once

#include <QString>
#include <array>

#include "platform/GlobalHotkey.h"

namespace quillet {

/// `modifiers` holds the words for Ctrl, Alt, Shift and Super, each with its separator; empty for
/// a key with no name.
QString spelledCombination(const KeyCombination& combination, const std::array<QString, 4>& modifiers);

}  // namespace quillet
