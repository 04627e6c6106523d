#include "Services/MacUsageSessionLog.h"

#include "Platform/UserDefaults.h"

using namespace Qt::StringLiterals;

namespace {
QVariantList dictionariesIn(const QVariant& value)
{
    QVariantList result;
    if (UserDefaults::kindOf(value) != UserDefaults::Kind::Array) {
        return result;
    }
    for (const auto& element : value.toList()) {
        if (UserDefaults::kindOf(element) == UserDefaults::Kind::Dictionary) {
            result.append(element);
        }
    }
    return result;
}
} // namespace

MacUsageSessionLog::MacUsageSessionLog(UserDefaults& defaults)
    : m_defaults(defaults)
    , m_open(openDays())
{
}

QString MacUsageSessionLog::segmentKey(const QString& day, qint64 index)
{
    return u"%1.%2.%3"_s.arg(key, day).arg(index);
}

QVariantMap MacUsageSessionLog::openDays() const
{
    QVariantMap open;
    const auto stored = m_defaults.dictionary(openKey).value_or(QVariantMap {});
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        if (UserDefaults::kindOf(*it) == UserDefaults::Kind::Integer && it->toLongLong() > 0
            && it->toLongLong() < (qint64(1) << 40)) {
            open.insert(it.key(), *it);
        }
    }
    return open;
}

void MacUsageSessionLog::loadTail(const QString& day)
{
    if (m_tailDay == day && m_tailIndex >= 0) {
        return;
    }
    m_tailDay = day;
    const auto count = m_open.value(day).toLongLong();
    if (count > 0) {
        m_tailIndex = count - 1;
        m_tail = dictionariesIn(m_defaults.object(segmentKey(day, m_tailIndex)));
    } else {
        m_tailIndex = -1;
        m_tail.clear();
    }
}

void MacUsageSessionLog::append(const QString& day, const QVariantMap& record)
{
    loadTail(day);
    if (m_tailIndex < 0 || m_tail.size() >= segmentSize) {
        ++m_tailIndex;
        m_tail.clear();
        m_open.insert(day, m_tailIndex + 1);
        m_defaults.setObject(openKey, m_open);
    }
    m_tail.append(record);
    m_defaults.setObject(segmentKey(day, m_tailIndex), m_tail);
}

QVariantList MacUsageSessionLog::records(const QString& day) const
{
    QVariantList result;
    const auto closed = m_defaults.dictionary(key);
    if (closed) {
        result = dictionariesIn(closed->value(day));
    }
    const auto count = m_open.value(day).toLongLong();
    for (qint64 i = 0; i < count; ++i) {
        result += dictionariesIn(m_defaults.object(segmentKey(day, i)));
    }
    return result;
}

void MacUsageSessionLog::close(const QString& keepOpen, const QString& oldestKept)
{
    QStringList closing;
    for (auto it = m_open.begin(); it != m_open.end(); ++it) {
        if (it.key() != keepOpen) {
            closing.append(it.key());
        }
    }
    auto closed = m_defaults.dictionary(key).value_or(QVariantMap {});
    bool pruned = false;
    for (auto it = closed.begin(); it != closed.end();) {
        if (it.key() < oldestKept) {
            it = closed.erase(it);
            pruned = true;
        } else {
            ++it;
        }
    }
    if (closing.isEmpty() && !pruned) {
        return;
    }
    for (const auto& day : std::as_const(closing)) {
        const auto count = m_open.value(day).toLongLong();
        if (day >= oldestKept) {
            auto records = dictionariesIn(closed.value(day));
            for (qint64 i = 0; i < count; ++i) {
                records += dictionariesIn(m_defaults.object(segmentKey(day, i)));
            }
            closed.insert(day, records);
        }
        m_open.remove(day);
    }
    // The dictionary first: a crash between the writes leaves records twice, never lost.
    m_defaults.setObject(key, closed);
    m_defaults.setObject(openKey, m_open);
    for (const auto& day : std::as_const(closing)) {
        for (qint64 i = 0;; ++i) {
            const auto segment = segmentKey(day, i);
            if (!m_defaults.object(segment).isValid()) {
                break;
            }
            m_defaults.removeObject(segment);
        }
    }
    if (closing.contains(m_tailDay)) {
        m_tailDay.clear();
        m_tailIndex = -1;
        m_tail.clear();
    }
}
