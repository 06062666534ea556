// Typed reads of accessibility elements and their frames, in both coordinate conventions.
#pragma once

#include <QString>
#include <optional>

#include "base/Geometry.h"
#include "platform/Accessibility.h"

namespace quillet {

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

/// The element's frame on screen, in the desktop's global coordinates (origin top-left, y down).
std::optional<Rect> screenFrame(Accessibility& ax, const Accessible& element);

}  // namespace AX
}  // namespace quillet
