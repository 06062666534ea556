// Whether a server needs an API key: the hosted service does, a server of the user's own need not.
#pragma once

#include <QString>

namespace quillet::KeyRequirement {

/// Whether requests to the server at `baseURL` need a key: only the default service's host does, with
/// whatever path. Servers of the user's own (a local model, a gateway) may run without one.
bool isRequired(const QString& baseURL);

}  // namespace quillet::KeyRequirement
