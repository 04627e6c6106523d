#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// One device of a family; `id` is its identity in lists and sheets.
struct DeviceListItem
{
    QString id;
    QString name;
    QString role;

    QJsonObject toJson() const;
    static DeviceListItem fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const DeviceListItem&, const DeviceListItem&) = default;
};

// GET api/v1/families/{code}/devices: {"devices": [...]}. One bad item rejects the list.
struct ListDevicesResponse
{
    QList<DeviceListItem> devices;

    QJsonObject toJson() const;
    static ListDevicesResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const ListDevicesResponse&, const ListDevicesResponse&) = default;
};

// PATCH api/v1/devices/{id}?familyCode=…: {"name": "…"}.
struct RenameDevicePayload
{
    QString name;

    QJsonObject toJson() const;
    static RenameDevicePayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const RenameDevicePayload&, const RenameDevicePayload&) = default;
};
