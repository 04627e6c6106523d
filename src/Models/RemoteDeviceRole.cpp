#include "Models/RemoteDeviceRole.h"

#include "Models/EnumNames.h"

QString rawValue(RemoteDeviceRole role)
{
    const QString name = enumName(role);
    return name.isEmpty() ? enumName(RemoteDeviceRole::unknown) : name;
}

std::optional<RemoteDeviceRole> remoteDeviceRoleFromRawValue(const QString& rawValue)
{
    return enumFromName<RemoteDeviceRole>(rawValue);
}
