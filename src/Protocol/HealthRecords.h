#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// PUT api/v1/devices/{id}/health: what a child device can enforce. Absent members are left out,
// never sent as null.
struct PutDeviceHealthPayload
{
    bool notificationsOk = false;
    bool usageAccessOk = false;
    bool overlayOk = false;
    bool deviceAdminOk = false;
    QString platform;
    std::optional<QString> appVersion;
    std::optional<QString> osVersion;
    std::optional<bool> familyControlsOk;
    std::optional<bool> managedSelectionOk;
    // The child's guard against being quit: "running", "stopped", "notInstalled" or
    // "unavailable" (this computer cannot have one). Absent from a device that does not say.
    std::optional<QString> guardState;
    // The child's settings file said otherwise than the family server (a role edited by hand).
    std::optional<bool> settingsChanged;
    // How the rules hold there: "x11", "gnomeExtension", "wlroots", "kwin" or "processOnly". Absent
    // from a device that does not say.
    std::optional<QString> enforcementMode;

    // The members in the order above (the body text keeps it; `toJson` cannot, a JSON object
    // orders its keys).
    QByteArray encoded() const;
    QJsonObject toJson() const;
    static PutDeviceHealthPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const PutDeviceHealthPayload&, const PutDeviceHealthPayload&) = default;
};

// GET api/v1/devices/{id}/health?familyCode=…: the stored report. Only "reported" is required;
// "updatedAt" is kept as the text the server wrote.
struct DeviceHealthSnapshot
{
    bool reported = false;
    std::optional<bool> supervisionReady;
    std::optional<bool> notificationsOk;
    std::optional<bool> usageAccessOk;
    std::optional<bool> overlayOk;
    std::optional<bool> deviceAdminOk;
    std::optional<bool> managedSelectionOk;
    std::optional<QString> platform;
    std::optional<QString> appVersion;
    std::optional<QString> osVersion;
    std::optional<QString> updatedAt;
    std::optional<QString> guardState;
    // Later members go last, so that records written member by member keep their order.
    std::optional<bool> settingsChanged;
    std::optional<QString> enforcementMode;

    QJsonObject toJson() const;
    static DeviceHealthSnapshot fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const DeviceHealthSnapshot&, const DeviceHealthSnapshot&) = default;
};
