#pragma once

#include "Platform/AppBundle.h"

// Package facts a test chooses.
class FixedAppBundle final : public AppBundle
{
public:
    explicit FixedAppBundle(std::optional<QString> buildNumber = QStringLiteral("1"),
                            QString bundlePath = QStringLiteral("/Applications/岚哨.app"));
    Q_DISABLE_COPY_MOVE(FixedAppBundle)

    QString shortVersion() const override { return m_shortVersion; }
    std::optional<QString> buildNumber() const override { return m_buildNumber; }
    QString bundlePath() const override { return m_bundlePath; }
    QString bundleIdentifier() const override { return QStringLiteral("com.corvane.vantorel.tests"); }

    void setBuildNumber(std::optional<QString> buildNumber) { m_buildNumber = std::move(buildNumber); }
    void setShortVersion(QString version) { m_shortVersion = std::move(version); }

private:
    std::optional<QString> m_buildNumber;
    QString m_bundlePath;
    QString m_shortVersion = QStringLiteral("1.0.0");
};
