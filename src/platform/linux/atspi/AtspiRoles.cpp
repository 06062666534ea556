// The names the program gives AT-SPI roles, and what makes an element writable text.
#include "platform/linux/atspi/AtspiRoles.h"

#include "platform/linux/shared/GLibRefs.h"

namespace quillet {

namespace {
bool hasState(AtspiAccessible* a, AtspiStateType state) {
    GRef<AtspiStateSet> set(atspi_accessible_get_state_set(a));
    return set && atspi_state_set_contains(set.get(), state);
}
}  // namespace

QString AtspiRoles::nameOf(AtspiAccessible* a, AtspiRole role) {
    switch (role) {
        case ATSPI_ROLE_ENTRY:
            return QStringLiteral("AXTextField");
        case ATSPI_ROLE_COMBO_BOX:
            return QStringLiteral("AXComboBox");
        case ATSPI_ROLE_PASSWORD_TEXT:
            return secure;
        case ATSPI_ROLE_TEXT:
        case ATSPI_ROLE_PARAGRAPH:
        case ATSPI_ROLE_DOCUMENT_TEXT:
            if (hasState(a, ATSPI_STATE_EDITABLE))
                return QStringLiteral("AXTextArea");
            break;
        default:
            break;
    }
    return takeString(atspi_role_get_name(role)).value_or(QStringLiteral("unknown"));
}

bool AtspiRoles::isEditableText(AtspiAccessible* a) {
    if (!hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(a));
    return bool(editable);
}

}  // namespace quillet
