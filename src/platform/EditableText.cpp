// Whether an element is text the user writes in.
#include "platform/EditableText.h"

#include <QSet>

namespace quillet {

namespace {

std::optional<QString> text(Accessibility& ax, const Accessible& element, Property attribute) {
    PropertyValue value;
    if (element.isNull() || ax.readProperty(element, attribute, value) != AccessError::success)
        return std::nullopt;
    if (const QString* s = std::get_if<QString>(&value))
        return *s;
    return std::nullopt;
}

bool isEditableRole(const QString& role) {
    static const QSet<QString> roles{QStringLiteral("AXTextField"), QStringLiteral("AXTextArea"),
                                     QStringLiteral("AXComboBox"), QStringLiteral("AXSearchField")};
    return roles.contains(role);
}

}  // namespace

bool isEditableTextElement(Accessibility& ax, const Accessible& element) {
    const std::optional<QString> role = text(ax, element, Property::role);
    if (!role)
        return false;
    if (isEditableRole(*role))
        return true;
    bool settable = false;
    ax.isPropertySettable(element, Property::value, settable);
    if (!settable)
        return false;
    return text(ax, element, Property::value).has_value();
}

}  // namespace quillet
