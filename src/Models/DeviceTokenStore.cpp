#include "Models/DeviceTokenStore.h"

#include "Platform/SecureStore.h"

namespace DeviceTokenStore {

std::optional<QString> load(SecureStore& store)
{
    const auto bytes = store.copy(account);
    if (!bytes || bytes->isEmpty()) {
        return std::nullopt;
    }
    return QString::fromUtf8(*bytes);
}

void save(const QString& token, SecureStore& store)
{
    store.remove(account);
    store.add(account, token.toUtf8());
}

void clear(SecureStore& store)
{
    store.remove(account);
}

} // namespace DeviceTokenStore
