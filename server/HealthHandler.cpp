#include "HealthHandler.h"

#include "ApiError.h"
#include "FamilyHandler.h"
#include "ServerTime.h"

using namespace Qt::StringLiterals;

HealthHandler::HealthHandler(ServerDatabase& database, FamilyHandler& families)
    : m_health(database)
    , m_families(families)
{
}

bool HealthHandler::supervisionReady(const PutDeviceHealthPayload& report)
{
    return report.notificationsOk && report.usageAccessOk && report.overlayOk && report.deviceAdminOk
        && report.familyControlsOk.value_or(true) && report.managedSelectionOk.value_or(true)
        && !report.settingsChanged.value_or(false);
}

DeviceHealthSnapshot HealthHandler::snapshot(const PutDeviceHealthPayload& report, qint64 updatedAtMs)
{
    DeviceHealthSnapshot snapshot;
    snapshot.reported = true;
    snapshot.supervisionReady = supervisionReady(report);
    snapshot.notificationsOk = report.notificationsOk;
    snapshot.usageAccessOk = report.usageAccessOk;
    snapshot.overlayOk = report.overlayOk;
    snapshot.deviceAdminOk = report.deviceAdminOk;
    snapshot.managedSelectionOk = report.managedSelectionOk;
    snapshot.settingsChanged = report.settingsChanged;
    snapshot.platform = report.platform;
    snapshot.appVersion = report.appVersion;
    snapshot.osVersion = report.osVersion;
    snapshot.guardState = report.guardState;
    snapshot.enforcementMode = report.enforcementMode;
    snapshot.updatedAt = ServerTime::format(updatedAtMs);
    return snapshot;
}

DeviceHealthSnapshot HealthHandler::putHealth(const QString& deviceId, const PutDeviceHealthPayload& report)
{
    const auto tooLong = [](const std::optional<QString>& text) { return text && text->size() > 200; };
    if (report.platform.isEmpty() || report.platform.size() > 32 || tooLong(report.appVersion)
        || tooLong(report.osVersion) || (report.guardState && report.guardState->size() > 32)
        || (report.enforcementMode && report.enforcementMode->size() > 32)) {
        throw ApiError::badRequest(
            u"\"platform\" must be a short non-empty text, versions at most 200 characters"_s);
    }
    const auto now = ServerTime::nowMs();
    if (!m_health.put(deviceId, report, now)) {
        throw ApiError::deviceNotFound();
    }
    return snapshot(report, now);
}

DeviceHealthSnapshot HealthHandler::health(const QString& deviceId, const QString& familyCode)
{
    m_families.deviceOfFamily(deviceId, familyCode);
    const auto stored = m_health.report(deviceId);
    if (!stored) {
        return {};
    }
    return snapshot(stored->report, stored->updatedAtMs);
}
