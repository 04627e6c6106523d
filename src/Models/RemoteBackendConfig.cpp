#include "Models/RemoteBackendConfig.h"

#include "Platform/UserDefaults.h"
#include "VantorelBuildConfig.h"

#include <QUrl>

using namespace Qt::StringLiterals;

RemoteBackendConfig::RemoteBackendConfig(UserDefaults& defaults, SecureStore& keychain,
                                         QNetworkAccessManager& network, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_keychain(keychain)
    , m_network(network)
{
    load();
}

void RemoteBackendConfig::load()
{
    m_baseURLOverride = m_defaults.string(baseURLOverrideKey).value_or(QString());
    m_deviceID = m_defaults.string(deviceIDKey).value_or(QString());
    m_familyCode = m_defaults.string(familyCodeKey).value_or(QString());
    m_deviceName = m_defaults.string(deviceNameKey).value_or(QString());
    m_role = remoteDeviceRoleFromRawValue(m_defaults.string(roleKey).value_or(QString()))
                 .value_or(RemoteDeviceRole::unknown);
    m_selectedChildDeviceID = m_defaults.string(selectedChildDeviceIDKey).value_or(QString());
}

void RemoteBackendConfig::persist(const QString& key, const QString& value)
{
    // Always a text value, an empty one included; the key is never removed.
    m_defaults.setString(key, value.isNull() ? u""_s : value);
}

void RemoteBackendConfig::setBaseURLOverride(const QString& value)
{
    m_baseURLOverride = value;
    emit baseURLOverrideChanged();
    persist(baseURLOverrideKey, value);
}

void RemoteBackendConfig::setDeviceID(const QString& value)
{
    m_deviceID = value;
    emit deviceIDChanged();
    persist(deviceIDKey, value);
}

void RemoteBackendConfig::setFamilyCode(const QString& value)
{
    m_familyCode = value;
    emit familyCodeChanged();
    persist(familyCodeKey, value);
}

void RemoteBackendConfig::setDeviceName(const QString& value)
{
    m_deviceName = value;
    emit deviceNameChanged();
    persist(deviceNameKey, value);
}

void RemoteBackendConfig::setRole(RemoteDeviceRole value)
{
    m_role = value;
    emit roleChanged();
    persist(roleKey, rawValue(value));
}

void RemoteBackendConfig::setSelectedChildDeviceID(const QString& value)
{
    m_selectedChildDeviceID = value;
    emit selectedChildDeviceIDChanged();
    persist(selectedChildDeviceIDKey, value);
}

QString RemoteBackendConfig::builtInDefaultBaseURL()
{
    return QString::fromUtf8(VANTOREL_DEFAULT_BACKEND_URL);
}

namespace {
QString baseURLFrom(const QString& override)
{
    auto address = override.trimmed();
    qsizetype first = 0;
    qsizetype last = address.size();
    while (first < last && address.at(first) == u'/') {
        ++first;
    }
    while (last > first && address.at(last - 1) == u'/') {
        --last;
    }
    address = address.mid(first, last - first);
    return address.isEmpty() ? RemoteBackendConfig::builtInDefaultBaseURL() : address;
}

bool isBound(const QString& baseURLOverride, const QString& deviceID)
{
    return QUrl(baseURLFrom(baseURLOverride), QUrl::StrictMode).isValid() && !deviceID.isEmpty();
}
} // namespace

QString RemoteBackendConfig::baseURLString() const
{
    return baseURLFrom(m_baseURLOverride);
}

bool RemoteBackendConfig::isBoundToBackend() const
{
    return isBound(m_baseURLOverride, m_deviceID);
}

bool RemoteBackendConfig::isBoundIn(const UserDefaults& defaults)
{
    return isBound(defaults.string(baseURLOverrideKey).value_or(QString()),
                   defaults.string(deviceIDKey).value_or(QString()));
}
