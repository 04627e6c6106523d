#include "Protocol/FeedbackRecords.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(FeedbackPayload, field(u"platform"_s, &FeedbackPayload::platform),
                     field(u"category"_s, &FeedbackPayload::category),
                     field(u"content"_s, &FeedbackPayload::content),
                     field(u"appVersion"_s, &FeedbackPayload::appVersion),
                     field(u"osVersion"_s, &FeedbackPayload::osVersion),
                     field(u"deviceId"_s, &FeedbackPayload::deviceId),
                     field(u"familyId"_s, &FeedbackPayload::familyId),
                     field(u"contact"_s, &FeedbackPayload::contact))
