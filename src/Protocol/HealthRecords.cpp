#include "Protocol/HealthRecords.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(PutDeviceHealthPayload,
                     field(u"notificationsOk"_s, &PutDeviceHealthPayload::notificationsOk),
                     field(u"usageAccessOk"_s, &PutDeviceHealthPayload::usageAccessOk),
                     field(u"overlayOk"_s, &PutDeviceHealthPayload::overlayOk),
                     field(u"deviceAdminOk"_s, &PutDeviceHealthPayload::deviceAdminOk),
                     field(u"platform"_s, &PutDeviceHealthPayload::platform),
                     field(u"appVersion"_s, &PutDeviceHealthPayload::appVersion),
                     field(u"osVersion"_s, &PutDeviceHealthPayload::osVersion),
                     field(u"familyControlsOk"_s, &PutDeviceHealthPayload::familyControlsOk),
                     field(u"managedSelectionOk"_s, &PutDeviceHealthPayload::managedSelectionOk),
                     field(u"guardState"_s, &PutDeviceHealthPayload::guardState),
                     field(u"settingsChanged"_s, &PutDeviceHealthPayload::settingsChanged),
                     field(u"enforcementMode"_s, &PutDeviceHealthPayload::enforcementMode))

QByteArray PutDeviceHealthPayload::encoded() const
{
    return WireCoding::encodeInOrder(fieldsOfPutDeviceHealthPayload(), *this);
}

VANTOREL_WIRE_RECORD(DeviceHealthSnapshot, field(u"reported"_s, &DeviceHealthSnapshot::reported),
                     field(u"supervisionReady"_s, &DeviceHealthSnapshot::supervisionReady),
                     field(u"notificationsOk"_s, &DeviceHealthSnapshot::notificationsOk),
                     field(u"usageAccessOk"_s, &DeviceHealthSnapshot::usageAccessOk),
                     field(u"overlayOk"_s, &DeviceHealthSnapshot::overlayOk),
                     field(u"deviceAdminOk"_s, &DeviceHealthSnapshot::deviceAdminOk),
                     field(u"managedSelectionOk"_s, &DeviceHealthSnapshot::managedSelectionOk),
                     field(u"settingsChanged"_s, &DeviceHealthSnapshot::settingsChanged),
                     field(u"platform"_s, &DeviceHealthSnapshot::platform),
                     field(u"appVersion"_s, &DeviceHealthSnapshot::appVersion),
                     field(u"osVersion"_s, &DeviceHealthSnapshot::osVersion),
                     field(u"updatedAt"_s, &DeviceHealthSnapshot::updatedAt),
                     field(u"guardState"_s, &DeviceHealthSnapshot::guardState),
                     field(u"enforcementMode"_s, &DeviceHealthSnapshot::enforcementMode))
