#include "ConnectionTable.h"

#include <QTcpSocket>

#include <algorithm>
#include <limits>

ConnectionTable::ConnectionTable(Limits limits, QObject* parent)
    : QObject(parent)
    , m_limits(limits)
{
    m_clock.start();
    // A quarter of the shorter time-out: a connection outlives its time-out by at most that much.
    m_sweep.setInterval(std::clamp(std::min(m_limits.headerTimeoutMs, m_limits.idleTimeoutMs) / 4, 50, 1000));
    connect(&m_sweep, &QTimer::timeout, this, &ConnectionTable::sweep);
    m_sweep.start();
}

qint64 ConnectionTable::deadline(const Entry& entry) const
{
    if (entry.busy) {
        return std::numeric_limits<qint64>::max();
    }
    const bool headerClock = entry.phase == Phase::Head || (entry.phase == Phase::Idle && entry.fresh);
    return entry.since + (headerClock ? m_limits.headerTimeoutMs : m_limits.idleTimeoutMs);
}

void ConnectionTable::sweep()
{
    const auto time = now();
    QList<QTcpSocket*> expired;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (deadline(it.value()) <= time) {
            expired.append(it.key());
        }
    }
    for (auto* socket : std::as_const(expired)) {
        m_entries.remove(socket);
        socket->abort();
    }
}

bool ConnectionTable::closeLongestIdle()
{
    QTcpSocket* oldest = nullptr;
    qint64 oldestSince = std::numeric_limits<qint64>::max();
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (!it->busy && it->since < oldestSince) {
            oldest = it.key();
            oldestSince = it->since;
        }
    }
    if (!oldest) {
        return false;
    }
    m_entries.remove(oldest);
    oldest->abort();
    return true;
}

bool ConnectionTable::makeRoom()
{
    return m_entries.size() < m_limits.maximumConnections || closeLongestIdle();
}

void ConnectionTable::add(QTcpSocket* socket)
{
    m_entries.insert(socket, { Phase::Idle, now(), false, true });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_entries.remove(socket); });
}

void ConnectionTable::setPhase(QTcpSocket* socket, Phase phase)
{
    const auto found = m_entries.find(socket);
    if (found == m_entries.end()) {
        return;
    }
    // A head's clock starts at its first byte and is not reset by the ones after it.
    if (phase != Phase::Head || found->phase != Phase::Head) {
        found->since = now();
    }
    if (phase != Phase::Idle) {
        found->fresh = false;
    }
    found->phase = phase;
}

void ConnectionTable::setBusy(QTcpSocket* socket, bool busy)
{
    const auto found = m_entries.find(socket);
    if (found == m_entries.end()) {
        return;
    }
    found->busy = busy;
    if (!busy && found->phase == Phase::Idle) {
        found->since = now();
    }
}
