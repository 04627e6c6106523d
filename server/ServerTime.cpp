#include "ServerTime.h"

#include "Platform/Clock.h"

using namespace Qt::StringLiterals;

namespace ServerTime {

qint64 nowMs()
{
    return Clock::current().now().toMSecsSinceEpoch();
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
