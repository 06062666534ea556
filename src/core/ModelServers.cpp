// The servers a user is likely to run, and reading the model list a server gives.
#include "core/ModelServers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/SettingsStore.h"

namespace quillet::ModelServers {

const QList<Preset>& presets() {
    static const QList<Preset> list{
        {QStringLiteral("OpenAI"), SettingsStore::defaultApiBaseURL},
        {QStringLiteral("Ollama"), QStringLiteral("http://localhost:11434")},
        {QStringLiteral("LM Studio"), QStringLiteral("http://localhost:1234")},
        {QStringLiteral("llama.cpp"), QStringLiteral("http://localhost:8080")},
        {QStringLiteral("vLLM"), QStringLiteral("http://localhost:8000")},
    };
    return list;
}

std::optional<QStringList> parseModelList(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue data = document.object().value(QStringLiteral("data"));
    if (!data.isArray())
        return std::nullopt;
    QStringList names;
    for (const QJsonValue& entry : data.toArray()) {
        // One odd entry (a server's own bookkeeping) does not spoil the rest.
        const QString id = entry.toObject().value(QStringLiteral("id")).toString().trimmed();
        if (!id.isEmpty() && !names.contains(id))
            names << id;
    }
    return names;
}

}  // namespace quillet::ModelServers
