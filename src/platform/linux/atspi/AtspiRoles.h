// The names the program gives AT-SPI roles, and what makes an element writable text.
#pragma once

#include <QString>

#include <atspi/atspi.h>

namespace quillet::AtspiRoles {

/// The role name of the secure (password) field.
inline const QString secure = QStringLiteral("AXSecureTextField");

/// The name of `a`'s role: the four text roles by the names the program tests for (the plain text
/// roles only while editable), every other role by its AT-SPI name.
QString nameOf(AtspiAccessible* a, AtspiRole role);

/// Whether `a` is editable and offers the interface that writes its text.
bool isEditableText(AtspiAccessible* a);

}  // namespace quillet::AtspiRoles
