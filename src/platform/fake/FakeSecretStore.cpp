#include "platform/fake/FakeSecretStore.h"

namespace quillet {

std::optional<QByteArray> FakeSecretStore::read(const QString& service, const QString& account) {
    ++reads;
    const auto it = items.constFind({service, account});
    if (failReads || it == items.constEnd())
        return std::nullopt;
    return *it;
}

bool FakeSecretStore::write(const QString& service, const QString& account, const QByteArray& secret) {
    ++writes;
    if (failWrites)
        return false;
    items[{service, account}] = secret;
    return true;
}

bool FakeSecretStore::remove(const QString& service, const QString& account) {
    ++removes;
    if (failRemoves)
        return false;
    items.remove({service, account});
    return true;
}

}  // namespace quillet
