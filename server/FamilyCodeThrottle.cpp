#include "FamilyCodeThrottle.h"

#include <algorithm>

FamilyCodeThrottle::FamilyCodeThrottle(Settings settings)
    : m_settings(settings)
{
    m_settings.windowMs = std::max<qint64>(m_settings.windowMs, totalBuckets);
}

QByteArray FamilyCodeThrottle::key(const QHostAddress& address)
{
    bool isIPv4 = false;
    const auto ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4) {
        const char bytes[4] = { char(ipv4 >> 24), char(ipv4 >> 16), char(ipv4 >> 8), char(ipv4) };
        return QByteArray(bytes, 4);
    }
    const auto ipv6 = address.toIPv6Address();
    return QByteArray(reinterpret_cast<const char*>(ipv6.c), 8);
}

void FamilyCodeThrottle::forgetExpired(Failures& failures, qint64 nowMs) const
{
    const auto start = nowMs - m_settings.windowMs;
    failures.erase(failures.begin(),
                   std::find_if(failures.begin(), failures.end(), [start](qint64 at) { return at > start; }));
}

bool FamilyCodeThrottle::refuses(const QHostAddress& address, qint64 nowMs)
{
    if (m_settings.failuresPerAddress <= 0) {
        return false;
    }
    const auto found = m_failures.find(key(address));
    if (found == m_failures.end()) {
        return false;
    }
    forgetExpired(*found, nowMs);
    return qsizetype(found->size()) >= m_settings.failuresPerAddress;
}

int FamilyCodeThrottle::holdMs(const QHostAddress& address, qint64 nowMs)
{
    if (m_settings.failuresInTotal <= 0 || totalFailures(nowMs) < m_settings.failuresInTotal) {
        return 0;
    }
    const auto found = m_failures.find(key(address));
    if (found == m_failures.end()) {
        return 0;
    }
    forgetExpired(*found, nowMs);
    return found->empty() ? 0 : m_settings.delayMs;
}

FamilyCodeThrottle::Outcome FamilyCodeThrottle::recordFailure(const QHostAddress& address, qint64 nowMs)
{
    const auto slice = nowMs / (m_settings.windowMs / totalBuckets);
    const auto bucket = size_t(slice % totalBuckets);
    if (m_bucketSlices[bucket] != slice) {
        m_bucketSlices[bucket] = slice;
        m_bucketCounts[bucket] = 0;
    }
    ++m_bucketCounts[bucket];

    Outcome outcome;
    if (m_failures.size() >= m_pruneAt) {
        pruneAddresses(nowMs);
    }
    const auto addressKey = key(address);
    auto found = m_failures.find(addressKey);
    if (found == m_failures.end() && m_failures.size() < maximumTrackedAddresses) {
        found = m_failures.insert(addressKey, {});
    }
    if (found != m_failures.end()) {
        forgetExpired(*found, nowMs);
        found->push_back(nowMs);
        // Only the newest `failuresPerAddress` instants decide anything.
        const auto keep = size_t(std::max(m_settings.failuresPerAddress, 1));
        if (found->size() > keep) {
            found->erase(found->begin(), found->end() - qsizetype(keep));
        } else if (m_settings.failuresPerAddress > 0 && found->size() == keep) {
            outcome.addressThrottled = true;
        }
    }
    if (m_settings.failuresInTotal > 0 && totalFailures(nowMs) == m_settings.failuresInTotal) {
        outcome.totalReached = true;
    }
    return outcome;
}

int FamilyCodeThrottle::totalFailures(qint64 nowMs) const
{
    const auto slice = nowMs / (m_settings.windowMs / totalBuckets);
    int total = 0;
    for (size_t i = 0; i < totalBuckets; ++i) {
        if (m_bucketSlices[i] > slice - totalBuckets && m_bucketSlices[i] <= slice) {
            total += m_bucketCounts[i];
        }
    }
    return total;
}

void FamilyCodeThrottle::pruneAddresses(qint64 nowMs)
{
    const auto start = nowMs - m_settings.windowMs;
    m_failures.removeIf(
        [start](const auto& entry) { return entry.value().empty() || entry.value().back() <= start; });
    m_pruneAt = std::max<qsizetype>(1024, m_failures.size() * 2);
}
