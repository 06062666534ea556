// Typed reads of accessibility elements and their frames, in both coordinate conventions.
#include "core/AX.h"

namespace quillet::AX {

namespace {
bool isGeometry(const PropertyValue& v) {
    return std::holds_alternative<QPointF>(v) || std::holds_alternative<QSizeF>(v) ||
           std::holds_alternative<TextRange>(v);
}
}  // namespace

std::optional<Accessible> elementProperty(Accessibility& ax, const Accessible& element, Property name) {
    std::optional<Accessible> value = property<Accessible>(ax, element, name);
    if (!value || value->isNull())
        return std::nullopt;
    return value;
}

std::optional<Rect> screenFrame(Accessibility& ax, const Accessible& element) {
    if (element.isNull())
        return std::nullopt;
    PropertyValue position;
    if (ax.readProperty(element, Property::position, position) != AccessError::success)
        return std::nullopt;
    PropertyValue size;
    if (ax.readProperty(element, Property::size, size) != AccessError::success)
        return std::nullopt;
    if (!isGeometry(position) || !isGeometry(size))
        return std::nullopt;
    // A geometry value of the other kind unpacks as zeros, as the platform's unpacking does.
    QPointF origin;
    QSizeF extent(0, 0);
    if (const auto* p = std::get_if<QPointF>(&position))
        origin = *p;
    if (const auto* s = std::get_if<QSizeF>(&size))
        extent = *s;
    return Rect(origin, extent);
}

}  // namespace quillet::AX
