#pragma once

#include <QDateTime>
#include <QTimeZone>

// The current instant and the local time zone. Every decision that depends on the time of day
// asks a Clock, so that tests can stand at any instant (midnight, the unlock instant, a clock
// set back) without waiting for it.
class Clock
{
public:
    virtual ~Clock();

    virtual QDateTime now() const = 0;
    virtual QTimeZone timeZone() const = 0;

    // `now()` expressed in the local zone: the wall-clock date and time that rules refer to.
    QDateTime localNow() const { return now().toTimeZone(timeZone()); }

    // The process-wide clock: the system clock unless a test installed another.
    static const Clock& current();
    static void setCurrent(const Clock* clock);
};
