#include "Protocol/DeviceRecords.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(DeviceListItem, field(u"id"_s, &DeviceListItem::id),
                     field(u"name"_s, &DeviceListItem::name), field(u"role"_s, &DeviceListItem::role))

VANTOREL_WIRE_RECORD(ListDevicesResponse, field(u"devices"_s, &ListDevicesResponse::devices))

VANTOREL_WIRE_RECORD(RenameDevicePayload, field(u"name"_s, &RenameDevicePayload::name))
