#include "HealthRepository.h"

#include "ReportBatch.h"
#include "ServerDatabase.h"

using namespace Qt::StringLiterals;

namespace {

QVariant nullableBool(const std::optional<bool>& value)
{
    return value ? QVariant(int(*value)) : QVariant(QMetaType::fromType<int>());
}

QVariant nullableText(const std::optional<QString>& value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<QString>());
}

std::optional<bool> readBool(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional<bool>(value.toInt() != 0);
}

std::optional<QString> readText(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional<QString>(value.toString());
}

} // namespace

HealthRepository::HealthRepository(ServerDatabase& database)
    : m_db(database)
{
}

std::optional<HealthRepository::Stored> HealthRepository::report(const QString& deviceId)
{
    auto& query = m_db.exec(
        u"SELECT notifications_ok, usage_access_ok, overlay_ok, device_admin_ok, platform, "
        "app_version, os_version, family_controls_ok, managed_selection_ok, updated_at, guard_state, "
        "settings_changed, enforcement_mode "
        "FROM device_health WHERE device_id = ?"_s,
        { deviceId });
    if (!query.next()) {
        return std::nullopt;
    }
    Stored stored;
    auto& report = stored.report;
    report.notificationsOk = query.value(0).toInt() != 0;
    report.usageAccessOk = query.value(1).toInt() != 0;
    report.overlayOk = query.value(2).toInt() != 0;
    report.deviceAdminOk = query.value(3).toInt() != 0;
    report.platform = query.value(4).toString();
    report.appVersion = readText(query.value(5));
    report.osVersion = readText(query.value(6));
    report.familyControlsOk = readBool(query.value(7));
    report.managedSelectionOk = readBool(query.value(8));
    stored.updatedAtMs = query.value(9).toLongLong();
    report.guardState = readText(query.value(10));
    report.settingsChanged = readBool(query.value(11));
    report.enforcementMode = readText(query.value(12));
    return stored;
}

bool HealthRepository::put(const QString& deviceId, const PutDeviceHealthPayload& report, qint64 nowMs)
{
    const QVariantList columns { int(report.notificationsOk),
                                 int(report.usageAccessOk),
                                 int(report.overlayOk),
                                 int(report.deviceAdminOk),
                                 report.platform,
                                 nullableText(report.appVersion),
                                 nullableText(report.osVersion),
                                 nullableBool(report.familyControlsOk),
                                 nullableBool(report.managedSelectionOk),
                                 nowMs,
                                 nullableText(report.guardState),
                                 nullableBool(report.settingsChanged),
                                 nullableText(report.enforcementMode) };
    if (auto* batch = m_db.reportBatch()) {
        batch->add(
            u"INSERT INTO device_health (device_id, notifications_ok, usage_access_ok, overlay_ok, "
            "device_admin_ok, platform, app_version, os_version, family_controls_ok, "
            "managed_selection_ok, updated_at, guard_state, settings_changed, enforcement_mode) "
            "SELECT r.device_id, r.notifications_ok, r.usage_access_ok, r.overlay_ok, r.device_admin_ok, "
            "r.platform, r.app_version, r.os_version, r.family_controls_ok, r.managed_selection_ok, "
            "r.updated_at, r.guard_state, r.settings_changed, r.enforcement_mode FROM unnest("
            "CAST(? AS TEXT[]), CAST(? AS INTEGER[]), CAST(? AS INTEGER[]), "
            "CAST(? AS INTEGER[]), CAST(? AS INTEGER[]), CAST(? AS TEXT[]), CAST(? AS TEXT[]), "
            "CAST(? AS TEXT[]), CAST(? AS INTEGER[]), CAST(? AS INTEGER[]), CAST(? AS BIGINT[]), "
            "CAST(? AS TEXT[]), CAST(? AS INTEGER[]), CAST(? AS TEXT[])) AS r(device_id, "
            "notifications_ok, usage_access_ok, overlay_ok, device_admin_ok, platform, app_version, "
            "os_version, family_controls_ok, managed_selection_ok, updated_at, guard_state, "
            "settings_changed, enforcement_mode) WHERE (SELECT true FROM devices d WHERE d.id = r.device_id) "
            "ORDER BY r.device_id "
            "ON CONFLICT (device_id) DO UPDATE SET "
            "notifications_ok = excluded.notifications_ok, usage_access_ok = excluded.usage_access_ok, "
            "overlay_ok = excluded.overlay_ok, device_admin_ok = excluded.device_admin_ok, "
            "platform = excluded.platform, app_version = excluded.app_version, "
            "os_version = excluded.os_version, family_controls_ok = excluded.family_controls_ok, "
            "managed_selection_ok = excluded.managed_selection_ok, updated_at = excluded.updated_at, "
            "guard_state = excluded.guard_state, settings_changed = excluded.settings_changed, "
            "enforcement_mode = excluded.enforcement_mode RETURNING device_id"_s,
            {}, deviceId, columns);
        return true;
    }
    // Selected from the device's row, so that the existence check costs no query of its own.
    auto& query = m_db.report(
        u"INSERT INTO device_health (device_id, notifications_ok, usage_access_ok, overlay_ok, "
        "device_admin_ok, platform, app_version, os_version, family_controls_ok, managed_selection_ok, "
        "updated_at, guard_state, settings_changed, enforcement_mode) SELECT id, CAST(? AS INTEGER), CAST(? "
        "AS INTEGER), "
        "CAST(? AS INTEGER), CAST(? AS INTEGER), CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT), "
        "CAST(? AS INTEGER), CAST(? AS INTEGER), CAST(? AS BIGINT), CAST(? AS TEXT), CAST(? AS INTEGER), "
        "CAST(? AS TEXT) FROM devices WHERE id = ? ON CONFLICT (device_id) DO UPDATE SET "
        "notifications_ok = excluded.notifications_ok, usage_access_ok = excluded.usage_access_ok, "
        "overlay_ok = excluded.overlay_ok, device_admin_ok = excluded.device_admin_ok, "
        "platform = excluded.platform, app_version = excluded.app_version, os_version = "
        "excluded.os_version, "
        "family_controls_ok = excluded.family_controls_ok, "
        "managed_selection_ok = excluded.managed_selection_ok, updated_at = excluded.updated_at, "
        "guard_state = excluded.guard_state, settings_changed = excluded.settings_changed, "
        "enforcement_mode = excluded.enforcement_mode"_s,
        columns + QVariantList { deviceId });
    return query.numRowsAffected() > 0;
}
