#include "Models/RemoteDeviceRole.h"

using namespace Qt::StringLiterals;

QString rawValue(RemoteDeviceRole role)
{
    switch (role) {
    case RemoteDeviceRole::parent:
        return u"parent"_s;
    case RemoteDeviceRole::child:
        return u"child"_s;
    case RemoteDeviceRole::unknown:
        break;
    }
    return u"unknown"_s;
}

std::optional<RemoteDeviceRole> remoteDeviceRoleFromRawValue(const QString& rawValue)
{
    if (rawValue == u"unknown"_s) {
        return RemoteDeviceRole::unknown;
    }
    if (rawValue == u"parent"_s) {
        return RemoteDeviceRole::parent;
    }
    if (rawValue == u"child"_s) {
        return RemoteDeviceRole::child;
    }
    return std::nullopt;
}
