// Whether an element is text the user writes in.
#include "platform/EditableText.h"

#include <QSet>

namespace quillet {

namespace {

bool isEditableRole(const QString& role) {
    static const QSet<QString> roles{QStringLiteral("AXTextField"), QStringLiteral("AXTextArea"),
                                     QStringLiteral("AXComboBox"), QStringLiteral("AXSearchField")};
    return roles.contains(role);
}

}  // namespace

bool isEditableTextElement(Accessibility& ax, const Accessible& element) {
    if (element.isNull())
        return false;
    const Answer<QString> role = ax.role(element);
    if (!role)
        return false;
    if (isEditableRole(*role))
        return true;
    return ax.canSetText(element) && ax.text(element).has_value();
}

}  // namespace quillet
