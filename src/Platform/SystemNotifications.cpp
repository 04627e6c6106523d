#include "Platform/SystemNotifications.h"

#include "Platform/PlatformDefaults.h"

#include <atomic>

namespace {
std::atomic<SystemNotifications*> s_current { nullptr };
} // namespace

SystemNotifications::~SystemNotifications() = default;

SystemNotifications& SystemNotifications::current()
{
    if (auto* notifications = s_current.load()) {
        return *notifications;
    }
    return PlatformDefaults::systemNotifications();
}

void SystemNotifications::setCurrent(SystemNotifications* notifications)
{
    s_current.store(notifications);
}
