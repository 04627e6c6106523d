#include "ServerTime.h"

#include <atomic>

using namespace Qt::StringLiterals;

namespace {
std::atomic<const ServerClock*> s_clock { nullptr };
}

namespace ServerTime {

void setClock(const ServerClock* clock)
{
    s_clock.store(clock);
}

qint64 nowMs()
{
    if (const auto* clock = s_clock.load()) {
        return clock->now().toMSecsSinceEpoch();
    }
    return QDateTime::currentMSecsSinceEpoch();
}

QString format(qint64 msSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs);
}

QString dayKey(qint64 msSinceEpoch, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, zone).date().toString(u"yyyy-MM-dd"_s);
}

} // namespace ServerTime
