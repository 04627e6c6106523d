#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// Instants as the server stores and sends them: milliseconds since the epoch in the database,
// ISO 8601 UTC with milliseconds on the wire. The current instant is the system's unless a test
// installs a clock of its own, so that tests can stand the server at any time.
class ServerClock
{
public:
    virtual ~ServerClock() = default;
    virtual QDateTime now() const = 0;
};

namespace ServerTime {

// `nullptr` returns to the system clock. The clock must outlive its installation.
void setClock(const ServerClock* clock);
qint64 nowMs();
QString format(qint64 msSinceEpoch);
// The calendar day ("yyyy-MM-dd") of `msSinceEpoch` in `zone`.
QString dayKey(qint64 msSinceEpoch, const QTimeZone& zone);

} // namespace ServerTime
