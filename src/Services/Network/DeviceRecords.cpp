#include "Services/Network/DeviceRecords.h"

#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

QJsonObject DeviceListItem::toJson() const
{
    return { { u"id"_s, id }, { u"name"_s, name }, { u"role"_s, role } };
}

DeviceListItem DeviceListItem::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    DeviceListItem result;
    result.id = reader.requiredString(u"id"_s);
    result.name = reader.requiredString(u"name"_s);
    result.role = reader.requiredString(u"role"_s);
    return result;
}

QJsonObject ListDevicesResponse::toJson() const
{
    return { { u"devices"_s,
               WireCoding::encodeArray(devices, [](const DeviceListItem& d) { return d.toJson(); }) } };
}

ListDevicesResponse ListDevicesResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { WireCoding::decodeArray<DeviceListItem>(
        reader.requiredArray(u"devices"_s), reader.pathOf(u"devices"_s),
        [](const QJsonValue& v, const QString& p) { return DeviceListItem::fromJson(v, p); }) };
}

QJsonObject RenameDevicePayload::toJson() const
{
    return { { u"name"_s, name } };
}

RenameDevicePayload RenameDevicePayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.requiredString(u"name"_s) };
}
