#pragma once

#include "Platform/Clock.h"
#include "ServerTime.h"

// A clock that stands still until a test moves it. Installs itself as the current clock, of the
// application and of the family server alike, for its lifetime when asked to.
class SettableClock final : public Clock, public ServerClock
{
public:
    enum class Install
    {
        No,
        AsCurrent
    };

    explicit SettableClock(const QDateTime& now, const QTimeZone& zone = QTimeZone::utc(),
                           Install install = Install::AsCurrent);
    ~SettableClock() override;
    Q_DISABLE_COPY_MOVE(SettableClock)

    QDateTime now() const override { return m_now; }
    QTimeZone timeZone() const override { return m_zone; }

    void setNow(const QDateTime& now) { m_now = now; }
    // Stands at a wall-clock time in the clock's zone.
    void setLocal(const QDate& date, const QTime& time) { m_now = QDateTime(date, time, m_zone); }
    void advance(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void setTimeZone(const QTimeZone& zone) { m_zone = zone; }

private:
    QDateTime m_now;
    QTimeZone m_zone;
    bool m_installed = false;
};
