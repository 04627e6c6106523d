#include "Platform/Linux/LinuxAppBundle.h"

#include "VantorelBuildConfig.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString LinuxAppBundle::shortVersion() const
{
    return QString::fromUtf8(VANTOREL_VERSION_STRING);
}

std::optional<QString> LinuxAppBundle::buildNumber() const
{
    const QString value = QString::fromUtf8(VANTOREL_BUILD_NUMBER);
    if (value.isEmpty()) {
        return std::nullopt;
    }
    return value;
}

QString LinuxAppBundle::bundlePath() const
{
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationFilePath();
    }
    return QFileInfo(u"/proc/self/exe"_s).canonicalFilePath();
}

QString LinuxAppBundle::bundleIdentifier() const
{
    return QString::fromUtf8(VANTOREL_BUNDLE_IDENTIFIER);
}
