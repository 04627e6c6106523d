#include "support/MemoryUserDefaults.h"

MemoryUserDefaults::MemoryUserDefaults(Install install)
    : m_installed(install == Install::AsStandard)
{
    if (m_installed) {
        UserDefaults::setStandard(this);
    }
}

MemoryUserDefaults::~MemoryUserDefaults()
{
    if (m_installed) {
        UserDefaults::setStandard(nullptr);
    }
}

QVariant MemoryUserDefaults::object(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_values.value(key);
}

void MemoryUserDefaults::setObject(const QString& key, const QVariant& value)
{
    const auto clean = normalized(value);
    QMutexLocker lock(&m_mutex);
    ++m_writes[key];
    if (kindOf(clean) == Kind::None) {
        m_values.remove(key);
    } else {
        m_values.insert(key, clean);
    }
}

void MemoryUserDefaults::removeObject(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    ++m_writes[key];
    m_values.remove(key);
}

void MemoryUserDefaults::plantRaw(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&m_mutex);
    m_values.insert(key, value);
}

int MemoryUserDefaults::writeCount(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_writes.value(key);
}

bool MemoryUserDefaults::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_values.contains(key);
}

void MemoryUserDefaults::clear()
{
    QMutexLocker lock(&m_mutex);
    m_values.clear();
    m_writes.clear();
}
