#pragma once

#include "Platform/InstalledApps.h"

#include <QStringList>

// Applications packaged as ".app" bundles directly inside a fixed list of folders (no
// recursion). The information dictionary "Contents/Info.plist" is read as an XML property list;
// nothing here depends on the operating system, so the same code lists bundles anywhere.
class AppBundleFolders final : public InstalledApps
{
public:
    explicit AppBundleFolders(QStringList folders);

    // "/Applications", "/Applications/Utilities", "~/Applications", in that order.
    static QStringList defaultFolders();

    QList<MacAppItem> loadApps() const override;

    // Reads one bundle; exposed for the tests of damaged bundles.
    static MacAppItem readBundle(const QString& folder, const QString& entryName);

private:
    QStringList m_folders;
};
