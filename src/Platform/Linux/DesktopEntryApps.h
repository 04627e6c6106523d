#pragma once

#include "Platform/InstalledApps.h"

#include <QStringList>

// The applications of the freedesktop menu: every visible ".desktop" entry of the user's, the
// system's and the Flatpak folders. The entry id is the bundle identifier, the entry file its
// path.
class DesktopEntryApps final : public InstalledApps
{
public:
    DesktopEntryApps();
    explicit DesktopEntryApps(QStringList folders);

    QList<MacAppItem> loadApps() const override;

private:
    QStringList m_folders;
};
