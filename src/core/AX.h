// Typed reads of accessibility elements and their frames, in both coordinate conventions.
#pragma once

#include <QString>
#include <optional>

#include "base/Geometry.h"
#include "platform/Accessibility.h"

namespace quillet {

class Screens;

namespace AX {

/// The property's value when it can be read and holds a `T`; absent otherwise. An empty text is present.
template <typename T = QString>
std::optional<T> property(Accessibility& ax, const Accessible& element, Property name) {
    PropertyValue value;
    if (element.isNull() || ax.readProperty(element, name, value) != AccessError::success)
        return std::nullopt;
    if (const T* typed = std::get_if<T>(&value))
        return *typed;
    return std::nullopt;
}

/// The property's value when it is itself a (non-null) element; absent otherwise.
std::optional<Accessible> elementProperty(Accessibility& ax, const Accessible& element, Property name);

/// The element's frame in accessibility coordinates (origin top-left of the primary screen, y down).
std::optional<Rect> axFrame(Accessibility& ax, const Accessible& element);

/// The element's frame in screen coordinates (origin bottom-left of the primary screen, y up).
std::optional<Rect> screenFrame(Accessibility& ax, Screens& screens, const Accessible& element);

/// Flips an accessibility frame into screen coordinates against the primary screen (the first
/// screen whose origin is (0, 0)), else the main screen; absent when there is neither.
std::optional<Rect> toScreenFrame(Screens& screens, const Rect& axFrame);

}  // namespace AX
}  // namespace quillet
