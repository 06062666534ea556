// Tells whether the chosen server needs an API key.
#include "core/KeyRequirement.h"

#include <QUrl>

#include "core/SettingsStore.h"

namespace quillet::KeyRequirement {

bool isRequired(const QString& baseURL) {
    const QString host = QUrl(baseURL.trimmed()).host();
    // An address without a host is no server of the user's own: the default's rule holds.
    if (host.isEmpty())
        return true;
    return host.compare(QUrl(SettingsStore::defaultApiBaseURL).host(), Qt::CaseInsensitive) == 0;
}

}  // namespace quillet::KeyRequirement
