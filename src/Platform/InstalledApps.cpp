#include "Platform/InstalledApps.h"

#include "Platform/Linux/DesktopEntryApps.h"

InstalledApps::~InstalledApps() = default;

const InstalledApps& InstalledApps::platform()
{
    static const DesktopEntryApps apps;
    return apps;
}
