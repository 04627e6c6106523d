#include "Platform/Clock.h"

#include "Platform/SystemClock.h"

#include <atomic>

namespace {
std::atomic<const Clock*> s_current { nullptr };
}

Clock::~Clock() = default;

const Clock& Clock::current()
{
    if (const auto* clock = s_current.load()) {
        return *clock;
    }
    static const SystemClock systemClock;
    return systemClock;
}

void Clock::setCurrent(const Clock* clock)
{
    s_current.store(clock);
}
