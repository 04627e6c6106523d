#pragma once

#include "Protocol/HealthRecords.h"

#include <QString>

#include <optional>

class ServerDatabase;

// The last health report of each device.
class HealthRepository final
{
public:
    struct Stored
    {
        PutDeviceHealthPayload report;
        qint64 updatedAtMs = 0;
    };

    explicit HealthRepository(ServerDatabase& database);

    std::optional<Stored> report(const QString& deviceId);
    // False, writing nothing, for an unknown device.
    bool put(const QString& deviceId, const PutDeviceHealthPayload& report, qint64 nowMs);

private:
    ServerDatabase& m_db;
};
