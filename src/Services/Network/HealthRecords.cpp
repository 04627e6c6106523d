#include "Services/Network/HealthRecords.h"

#include "Services/Network/WireCoding.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

namespace {

using Members = std::vector<std::pair<QString, QJsonValue>>;

Members orderedMembers(const PutDeviceHealthPayload& p)
{
    Members members {
        { u"notificationsOk"_s, p.notificationsOk },
        { u"usageAccessOk"_s, p.usageAccessOk },
        { u"overlayOk"_s, p.overlayOk },
        { u"deviceAdminOk"_s, p.deviceAdminOk },
        { u"platform"_s, p.platform },
    };
    if (p.appVersion) {
        members.emplace_back(u"appVersion"_s, *p.appVersion);
    }
    if (p.osVersion) {
        members.emplace_back(u"osVersion"_s, *p.osVersion);
    }
    if (p.familyControlsOk) {
        members.emplace_back(u"familyControlsOk"_s, *p.familyControlsOk);
    }
    if (p.managedSelectionOk) {
        members.emplace_back(u"managedSelectionOk"_s, *p.managedSelectionOk);
    }
    if (p.guardState) {
        members.emplace_back(u"guardState"_s, *p.guardState);
    }
    if (p.settingsChanged) {
        members.emplace_back(u"settingsChanged"_s, *p.settingsChanged);
    }
    return members;
}

// Qt writes single values only inside a container; the brackets of a one-element array are cut.
QByteArray encodedValue(const QJsonValue& value)
{
    const auto text = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

template <typename T>
void insertIfPresent(QJsonObject& object, const QString& key, const std::optional<T>& value)
{
    if (value) {
        object.insert(key, *value);
    }
}

} // namespace

QByteArray PutDeviceHealthPayload::encoded() const
{
    QByteArray text = "{";
    bool first = true;
    for (const auto& [key, value] : orderedMembers(*this)) {
        if (!first) {
            text += ',';
        }
        first = false;
        text += encodedValue(key) + ':' + encodedValue(value);
    }
    return text + '}';
}

QJsonObject PutDeviceHealthPayload::toJson() const
{
    QJsonObject object;
    for (const auto& [key, value] : orderedMembers(*this)) {
        object.insert(key, value);
    }
    return object;
}

PutDeviceHealthPayload PutDeviceHealthPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    PutDeviceHealthPayload result;
    result.notificationsOk = reader.requiredBool(u"notificationsOk"_s);
    result.usageAccessOk = reader.requiredBool(u"usageAccessOk"_s);
    result.overlayOk = reader.requiredBool(u"overlayOk"_s);
    result.deviceAdminOk = reader.requiredBool(u"deviceAdminOk"_s);
    result.platform = reader.requiredString(u"platform"_s);
    result.appVersion = reader.optionalString(u"appVersion"_s);
    result.osVersion = reader.optionalString(u"osVersion"_s);
    result.familyControlsOk = reader.optionalBool(u"familyControlsOk"_s);
    result.managedSelectionOk = reader.optionalBool(u"managedSelectionOk"_s);
    result.guardState = reader.optionalString(u"guardState"_s);
    result.settingsChanged = reader.optionalBool(u"settingsChanged"_s);
    return result;
}

QJsonObject DeviceHealthSnapshot::toJson() const
{
    QJsonObject object { { u"reported"_s, reported } };
    insertIfPresent(object, u"supervisionReady"_s, supervisionReady);
    insertIfPresent(object, u"notificationsOk"_s, notificationsOk);
    insertIfPresent(object, u"usageAccessOk"_s, usageAccessOk);
    insertIfPresent(object, u"overlayOk"_s, overlayOk);
    insertIfPresent(object, u"deviceAdminOk"_s, deviceAdminOk);
    insertIfPresent(object, u"managedSelectionOk"_s, managedSelectionOk);
    insertIfPresent(object, u"settingsChanged"_s, settingsChanged);
    insertIfPresent(object, u"platform"_s, platform);
    insertIfPresent(object, u"appVersion"_s, appVersion);
    insertIfPresent(object, u"osVersion"_s, osVersion);
    insertIfPresent(object, u"updatedAt"_s, updatedAt);
    insertIfPresent(object, u"guardState"_s, guardState);
    return object;
}

DeviceHealthSnapshot DeviceHealthSnapshot::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    DeviceHealthSnapshot result;
    result.reported = reader.requiredBool(u"reported"_s);
    result.supervisionReady = reader.optionalBool(u"supervisionReady"_s);
    result.notificationsOk = reader.optionalBool(u"notificationsOk"_s);
    result.usageAccessOk = reader.optionalBool(u"usageAccessOk"_s);
    result.overlayOk = reader.optionalBool(u"overlayOk"_s);
    result.deviceAdminOk = reader.optionalBool(u"deviceAdminOk"_s);
    result.managedSelectionOk = reader.optionalBool(u"managedSelectionOk"_s);
    result.settingsChanged = reader.optionalBool(u"settingsChanged"_s);
    result.platform = reader.optionalString(u"platform"_s);
    result.appVersion = reader.optionalString(u"appVersion"_s);
    result.osVersion = reader.optionalString(u"osVersion"_s);
    result.updatedAt = reader.optionalString(u"updatedAt"_s);
    result.guardState = reader.optionalString(u"guardState"_s);
    return result;
}
