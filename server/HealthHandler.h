#pragma once

#include "HealthRepository.h"

class FamilyHandler;

// What each child device reports it can enforce, and the server's verdict on it.
class HealthHandler final
{
public:
    HealthHandler(ServerDatabase& database, FamilyHandler& families);

    DeviceHealthSnapshot putHealth(const QString& deviceId, const PutDeviceHealthPayload& report);
    // Needs the code of the device's own family; {"reported": false} before the first report.
    DeviceHealthSnapshot health(const QString& deviceId, const QString& familyCode);

    // Ready when every permission the lock needs is granted and no capability the device
    // reported is missing.
    static bool supervisionReady(const PutDeviceHealthPayload& report);
    static DeviceHealthSnapshot snapshot(const PutDeviceHealthPayload& report, qint64 updatedAtMs);

private:
    HealthRepository m_health;
    FamilyHandler& m_families;
};
