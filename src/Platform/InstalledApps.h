#pragma once

#include "Platform/MacAppItem.h"

#include <QList>

// The applications a user can choose as controlled ones, sorted by display name.
class InstalledApps
{
public:
    virtual ~InstalledApps();
    virtual QList<MacAppItem> loadApps() const = 0;

    // The platform's own listing.
    static const InstalledApps& platform();
};
