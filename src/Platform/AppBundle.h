#pragma once

#include <QString>

#include <optional>

// What the running application knows about its own package.
class AppBundle
{
public:
    virtual ~AppBundle();

    // The version shown to people, e.g. "1.0.0".
    virtual QString shortVersion() const = 0;
    // The build number as configured (the self-updater parses it); nothing when not set.
    virtual std::optional<QString> buildNumber() const = 0;
    // What the guard copies and the updater replaces: the application bundle on macOS, the
    // executable file on Linux.
    virtual QString bundlePath() const = 0;
    virtual QString bundleIdentifier() const = 0;
};
