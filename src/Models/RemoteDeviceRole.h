#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

// The role of this computer in its family.
enum class RemoteDeviceRole
{
    unknown,
    parent,
    child
};

QString rawValue(RemoteDeviceRole role);
// Only the three exact, case-sensitive raw values construct a role.
std::optional<RemoteDeviceRole> remoteDeviceRoleFromRawValue(const QString& rawValue);

Q_DECLARE_METATYPE(RemoteDeviceRole)
