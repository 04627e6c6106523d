#include "support/MemorySecureStore.h"

std::optional<QByteArray> MemorySecureStore::copy(const QString& account) const
{
    if (m_failing.contains(account) || !m_items.contains(account)) {
        return std::nullopt;
    }
    return m_items.value(account);
}

bool MemorySecureStore::remove(const QString& account)
{
    return !m_failing.contains(account) && m_items.remove(account) > 0;
}

bool MemorySecureStore::add(const QString& account, const QByteArray& data)
{
    if (m_failing.contains(account) || m_items.contains(account)) {
        return false;
    }
    m_items.insert(account, data);
    return true;
}
