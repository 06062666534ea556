#include "core/LaunchMode.h"

namespace quillet {

LaunchMode LaunchMode::fromArguments(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at >= 0 && at + 1 < arguments.size())
        return LaunchMode{Kind::screenshots, arguments.at(at + 1)};
    if (arguments.contains(QStringLiteral("--doctor")))
        return LaunchMode{Kind::doctor, {}};
    return LaunchMode{};
}

}  // namespace quillet
