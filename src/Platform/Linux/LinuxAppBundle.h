#pragma once

#include "Platform/AppBundle.h"

// The package facts of a Linux build: version and build number from the build configuration,
// and the running executable as the "bundle" (the application is one self-contained file).
class LinuxAppBundle final : public AppBundle
{
public:
    QString shortVersion() const override;
    std::optional<QString> buildNumber() const override;
    QString bundlePath() const override;
    QString bundleIdentifier() const override;
};
