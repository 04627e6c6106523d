#include "Platform/Linux/DesktopEntryApps.h"

#include "Platform/AppNameSort.h"
#include "Platform/Linux/DesktopEntryIndex.h"

DesktopEntryApps::DesktopEntryApps()
    : DesktopEntryApps(DesktopEntryIndex::applicationFolders())
{
}

DesktopEntryApps::DesktopEntryApps(QStringList folders)
    : m_folders(std::move(folders))
{
}

QList<MacAppItem> DesktopEntryApps::loadApps() const
{
    const DesktopEntryIndex index(m_folders);
    QList<MacAppItem> items;
    for (const auto& entry : index.entries()) {
        if (entry.noDisplay) {
            continue;
        }
        items.append({ entry.id, entry.id, entry.name, entry.filePath });
    }
    AppNameSort::sortByName(items);
    return items;
}
