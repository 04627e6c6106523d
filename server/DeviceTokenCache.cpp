#include "DeviceTokenCache.h"

#include <mutex>

DeviceTokenCache::DeviceTokenCache(qsizetype capacity)
    : m_capacity(capacity)
{
}

bool DeviceTokenCache::belongsTo(const QString& tokenHash, const QString& deviceId) const
{
    const std::shared_lock lock(m_mutex);
    const auto found = m_devices.constFind(tokenHash);
    return found != m_devices.cend() && *found == deviceId;
}

void DeviceTokenCache::remember(const QString& tokenHash, const QString& deviceId)
{
    const std::unique_lock lock(m_mutex);
    // Full, it starts over rather than grow without bound: the devices still reporting are
    // learnt again on their next request.
    if (m_devices.size() >= m_capacity) {
        m_devices.clear();
    }
    m_devices.insert(tokenHash, deviceId);
}
