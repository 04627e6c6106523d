#pragma once

#include "Platform/GuardInstaller.h"

#include <QString>

// The child guard of a Mac: a root-owned copy of the bundle in /Applications, a launch agent in
// the console user's gui domain that starts it at login and again whenever it exits (run-at-load,
// keep-alive), and the marker file, written last, that holds the copy's path.
class MacGuardInstaller final : public GuardInstaller
{
public:
    QString markerFile() const override;
    // launchd keeps the agent loaded while its property list is there, so the marker alone tells
    // whether the application is kept running.
    State state() const override;

    // Copies the bundle into /Applications unless it already runs from there, hands it to
    // root:wheel, loads the launch agent and writes the marker last; `set -e` stops at the first
    // failure, so a marker exists only after a complete installation.
    QString installScript(const QString& sourceAppPath) const override;
    // Boots the agent out and deletes its property list and the marker; the copy stays.
    QString teardownScript() const override;
    // Mounts the disk image, replaces the bundle in /Applications (root-owned again when the guard
    // is on) and opens the new copy in the console user's session 2 s later.
    QString updateScript(const QString& imagePath) const override;
    // The update script opens the new copy itself.
    void startUpdatedCopy() const override;
};
