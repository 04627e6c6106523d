#include "Services/Network/FeedbackRecords.h"

#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

QString FeedbackPayload::platformFor(RemoteDeviceRole role)
{
    switch (role) {
    case RemoteDeviceRole::parent:
        return u"mac_parent"_s;
    case RemoteDeviceRole::child:
        return u"mac_child"_s;
    case RemoteDeviceRole::unknown:
        break;
    }
    return u"mac"_s;
}

FeedbackPayload FeedbackPayload::make(RemoteDeviceRole role, const QString& category, const QString& content,
                                      const QString& contact, const QString& appVersion,
                                      const QString& osVersion, const QString& deviceID,
                                      const QString& familyCode)
{
    const auto nonEmpty = [](const QString& text) -> std::optional<QString> {
        return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    };
    FeedbackPayload result;
    result.platform = platformFor(role);
    result.category = category;
    result.content = content.trimmed();
    result.appVersion = appVersion;
    result.osVersion = osVersion;
    result.deviceId = nonEmpty(deviceID);
    result.familyId = nonEmpty(familyCode);
    result.contact = nonEmpty(contact.trimmed());
    return result;
}

QJsonObject FeedbackPayload::toJson() const
{
    QJsonObject object {
        { u"platform"_s, platform },     { u"category"_s, category },   { u"content"_s, content },
        { u"appVersion"_s, appVersion }, { u"osVersion"_s, osVersion },
    };
    WireCoding::insertIfPresent(object, u"deviceId"_s, deviceId);
    WireCoding::insertIfPresent(object, u"familyId"_s, familyId);
    WireCoding::insertIfPresent(object, u"contact"_s, contact);
    return object;
}

FeedbackPayload FeedbackPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    FeedbackPayload result;
    result.platform = reader.requiredString(u"platform"_s);
    result.category = reader.requiredString(u"category"_s);
    result.content = reader.requiredString(u"content"_s);
    result.appVersion = reader.requiredString(u"appVersion"_s);
    result.osVersion = reader.requiredString(u"osVersion"_s);
    result.deviceId = reader.optionalString(u"deviceId"_s);
    result.familyId = reader.optionalString(u"familyId"_s);
    result.contact = reader.optionalString(u"contact"_s);
    return result;
}
