#include "Services/Network/PublicDisplayInfoRecords.h"

#include "Services/Network/WireCoding.h"

#include <initializer_list>
#include <utility>

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

namespace {

using TextMember = std::pair<QString, const std::optional<QString>*>;

QJsonObject textObject(std::initializer_list<TextMember> members)
{
    QJsonObject object;
    for (const auto& [key, value] : members) {
        if (*value) {
            object.insert(key, **value);
        }
    }
    return object;
}

} // namespace

QJsonObject PublicContactInfo::toJson() const
{
    return textObject({ { u"email"_s, &email },
                        { u"phone"_s, &phone },
                        { u"wechat"_s, &wechat },
                        { u"address"_s, &address } });
}

PublicContactInfo PublicContactInfo::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    PublicContactInfo result;
    result.email = reader.optionalString(u"email"_s);
    result.phone = reader.optionalString(u"phone"_s);
    result.wechat = reader.optionalString(u"wechat"_s);
    result.address = reader.optionalString(u"address"_s);
    return result;
}

QJsonObject PublicLegalInfo::toJson() const
{
    return textObject({ { u"copyrightHolder"_s, &copyrightHolder },
                        { u"copyrightNotice"_s, &copyrightNotice },
                        { u"softwareCopyrightNo"_s, &softwareCopyrightNo },
                        { u"icpNo"_s, &icpNo },
                        { u"policeNo"_s, &policeNo },
                        { u"publicationNo"_s, &publicationNo },
                        { u"operatorName"_s, &operatorName } });
}

PublicLegalInfo PublicLegalInfo::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    PublicLegalInfo result;
    result.copyrightHolder = reader.optionalString(u"copyrightHolder"_s);
    result.copyrightNotice = reader.optionalString(u"copyrightNotice"_s);
    result.softwareCopyrightNo = reader.optionalString(u"softwareCopyrightNo"_s);
    result.icpNo = reader.optionalString(u"icpNo"_s);
    result.policeNo = reader.optionalString(u"policeNo"_s);
    result.publicationNo = reader.optionalString(u"publicationNo"_s);
    result.operatorName = reader.optionalString(u"operatorName"_s);
    return result;
}

QJsonObject PublicAppDisplayInfo::toJson() const
{
    QJsonObject object;
    if (contactInfo) {
        object.insert(u"contactInfo"_s, contactInfo->toJson());
    }
    if (legalInfo) {
        object.insert(u"legalInfo"_s, legalInfo->toJson());
    }
    return object;
}

PublicAppDisplayInfo PublicAppDisplayInfo::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    PublicAppDisplayInfo result;
    if (const auto contact = reader.optionalObject(u"contactInfo"_s)) {
        result.contactInfo = PublicContactInfo::fromJson(*contact, reader.pathOf(u"contactInfo"_s));
    }
    if (const auto legal = reader.optionalObject(u"legalInfo"_s)) {
        result.legalInfo = PublicLegalInfo::fromJson(*legal, reader.pathOf(u"legalInfo"_s));
    }
    return result;
}
