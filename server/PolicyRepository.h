#pragma once

#include "Services/Network/PolicyRecords.h"

#include <QDateTime>
#include <QString>

#include <optional>

class ServerDatabase;

// A child's rules and the controlled-app selection a parent stored with them, one row per device.
class PolicyRepository final
{
public:
    explicit PolicyRepository(ServerDatabase& database);

    std::optional<UpsertPolicyPayload> policy(const QString& deviceId);
    void put(const QString& deviceId, const UpsertPolicyPayload& stored);
    // Sets only "unlockUntil"; a device without stored rules gets the default rules with it.
    void setUnlockUntil(const QString& deviceId, const QDateTime& until);

    static PolicyPayload defaultPolicy();

private:
    ServerDatabase& m_db;
};
