#include "platform/linux/LibsecretStore.h"

#include <libsecret/secret.h>

namespace quillet {

namespace {
const SecretSchema* schema() {
    // Items are matched by the two attributes alone, whatever schema name another program stored them with.
    static const SecretSchema s = {"com.lumenfold.quillet.ApiKey",
                                   SECRET_SCHEMA_DONT_MATCH_NAME,
                                   {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

// Errors are expected (no Secret Service, locked keyring) and mean "nothing there": drop them quietly.
void drop(GError* error) {
    if (error)
        g_error_free(error);
}
}  // namespace

std::optional<QByteArray> LibsecretStore::read(const QString& service, const QString& account) {
    const QByteArray s = service.toUtf8();
    const QByteArray a = account.toUtf8();
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(schema(), nullptr, &error, "service",
                                                            s.constData(), "account", a.constData(), nullptr);
    drop(error);
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    QByteArray result(bytes, static_cast<qsizetype>(length));
    secret_value_unref(value);
    return result;
}

bool LibsecretStore::write(const QString& service, const QString& account, const QByteArray& secret) {
    const QByteArray s = service.toUtf8();
    const QByteArray a = account.toUtf8();
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "application/octet-stream");
    GError* error = nullptr;
    const gboolean ok = secret_password_store_binary_sync(
        schema(), SECRET_COLLECTION_DEFAULT, "Quillet API key", value, nullptr, &error, "service",
        s.constData(), "account", a.constData(), nullptr);
    secret_value_unref(value);
    drop(error);
    return ok;
}

bool LibsecretStore::remove(const QString& service, const QString& account) {
    const QByteArray s = service.toUtf8();
    const QByteArray a = account.toUtf8();
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "service", s.constData(), "account", a.constData(),
                               nullptr);
    const bool ok = error == nullptr;
    drop(error);
    return ok;
}

}  // namespace quillet
