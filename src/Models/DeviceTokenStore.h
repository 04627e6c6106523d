#pragma once

#include <QString>

#include <optional>

class SecureStore;

// The secret the family server gave this computer at registration, sent as a bearer token with
// every request. It lives beside the parent password in the secure store, never in the settings
// file, and goes when the binding is cleared.
namespace DeviceTokenStore {

inline const QString account = QStringLiteral("com.VantorelMac.deviceToken");

std::optional<QString> load(SecureStore& store);
void save(const QString& token, SecureStore& store);
void clear(SecureStore& store);

} // namespace DeviceTokenStore
