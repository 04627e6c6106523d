#include "Protocol/PublicDisplayInfoRecords.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(PublicContactInfo, field(u"email"_s, &PublicContactInfo::email),
                     field(u"phone"_s, &PublicContactInfo::phone),
                     field(u"wechat"_s, &PublicContactInfo::wechat),
                     field(u"address"_s, &PublicContactInfo::address))

VANTOREL_WIRE_RECORD(PublicLegalInfo, field(u"copyrightHolder"_s, &PublicLegalInfo::copyrightHolder),
                     field(u"copyrightNotice"_s, &PublicLegalInfo::copyrightNotice),
                     field(u"softwareCopyrightNo"_s, &PublicLegalInfo::softwareCopyrightNo),
                     field(u"icpNo"_s, &PublicLegalInfo::icpNo),
                     field(u"policeNo"_s, &PublicLegalInfo::policeNo),
                     field(u"publicationNo"_s, &PublicLegalInfo::publicationNo),
                     field(u"operatorName"_s, &PublicLegalInfo::operatorName))

VANTOREL_WIRE_RECORD(PublicAppDisplayInfo, field(u"contactInfo"_s, &PublicAppDisplayInfo::contactInfo),
                     field(u"legalInfo"_s, &PublicAppDisplayInfo::legalInfo))
