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

std::optional<QString> load()
{
    return load(SecureStore::standard());
}

void save(const QString& token, SecureStore& store)
{
    store.remove(account);
    store.add(account, token.toUtf8());
}

void save(const QString& token)
{
    save(token, SecureStore::standard());
}

void clear(SecureStore& store)
{
    store.remove(account);
}

void clear()
{
    clear(SecureStore::standard());
}

} // namespace DeviceTokenStore
