#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// Instants as the server stores and sends them: milliseconds since the epoch in the database,
// ISO 8601 UTC with milliseconds on the wire. The current instant comes from Clock::current(), so
// tests can stand at any time.
namespace ServerTime {

qint64 nowMs();
QString format(qint64 msSinceEpoch);
// The calendar day ("yyyy-MM-dd") of `msSinceEpoch` in `zone`.
QString dayKey(qint64 msSinceEpoch, const QTimeZone& zone);

} // namespace ServerTime
