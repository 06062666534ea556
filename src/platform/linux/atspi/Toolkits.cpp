// What an application's toolkit, as the accessibility bus names it, says about how to talk to it.
#include "platform/linux/atspi/Toolkits.h"

#include <QString>

namespace quillet {

bool Toolkits::exposesPagesOnlyWhenAsked(QStringView toolkitName) {
    // Chromium names itself on the bus whatever the product built on it is called; Electron keeps
    // that name, and a build that renames itself still says what it is built on.
    for (const char* name : {"chromium", "chrome", "electron"}) {
        if (toolkitName.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

}  // namespace quillet
