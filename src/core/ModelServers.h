// The servers a user is likely to run, and the model list a server gives.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillet::ModelServers {

/// A server address offered beside the default one.
struct Preset {
    QString name;
    QString baseURL;
};

/// The default service first, then the usual local servers at the addresses they start on.
const QList<Preset>& presets();

/// The model names of a model-list reply ({"data": [{"id": ...}, ...]}), in the server's order,
/// without duplicates or blanks; nullopt when the body is not such a list.
std::optional<QStringList> parseModelList(const QByteArray& body);

}  // namespace quillet::ModelServers
