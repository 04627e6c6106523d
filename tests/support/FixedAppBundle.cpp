#include "support/FixedAppBundle.h"

FixedAppBundle::FixedAppBundle(std::optional<QString> buildNumber, QString bundlePath)
    : m_buildNumber(std::move(buildNumber))
    , m_bundlePath(std::move(bundlePath))
{
}
