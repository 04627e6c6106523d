#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace RemoteDeviceRoles {
Q_NAMESPACE

// The role of this computer in its family.
enum class RemoteDeviceRole
{
    unknown,
    parent,
    child
};
Q_ENUM_NS(RemoteDeviceRole)

} // namespace RemoteDeviceRoles

using RemoteDeviceRoles::RemoteDeviceRole;

QString rawValue(RemoteDeviceRole role);
// Only the three exact, case-sensitive raw values construct a role.
std::optional<RemoteDeviceRole> remoteDeviceRoleFromRawValue(const QString& rawValue);
