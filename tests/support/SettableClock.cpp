#include "support/SettableClock.h"

SettableClock::SettableClock(const QDateTime& now, const QTimeZone& zone, Install install)
    : m_now(now)
    , m_zone(zone)
    , m_installed(install == Install::AsCurrent)
{
    if (m_installed) {
        Clock::setCurrent(this);
        ServerTime::setClock(this);
    }
}

SettableClock::~SettableClock()
{
    if (m_installed) {
        Clock::setCurrent(nullptr);
        ServerTime::setClock(nullptr);
    }
}
