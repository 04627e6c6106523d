#pragma once

#include "Protocol/PolicyRecords.h"

#include <QDateTime>
#include <QString>

#include <optional>

class ServerDatabase;

// A child's rules and the controlled-app selection a parent stored with them, one row per device.
class PolicyRepository final
{
public:
    explicit PolicyRepository(ServerDatabase& database);

    // The device's stored policy, in one query with the device: `deviceExists` false for an
    // unknown device, `stored` absent while nothing is stored.
    struct DevicePolicy
    {
        bool deviceExists = false;
        std::optional<UpsertPolicyPayload> stored;
    };
    DevicePolicy policy(const QString& deviceId);
    void put(const QString& deviceId, const UpsertPolicyPayload& stored);
    // Sets only "unlockUntil"; a device without stored rules gets the default rules with it.
    void setUnlockUntil(const QString& deviceId, const QDateTime& until);

    static PolicyPayload defaultPolicy();

private:
    ServerDatabase& m_db;
};
