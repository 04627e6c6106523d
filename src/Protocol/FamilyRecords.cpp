#include "Protocol/FamilyRecords.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(CreateFamilyResponse, field(u"familyId"_s, &CreateFamilyResponse::familyId),
                     field(u"familyCode"_s, &CreateFamilyResponse::familyCode))

VANTOREL_WIRE_RECORD(RegisterDevicePayload, field(u"role"_s, &RegisterDevicePayload::role),
                     field(u"name"_s, &RegisterDevicePayload::name),
                     field(u"invitationCode"_s, &RegisterDevicePayload::invitationCode))

VANTOREL_WIRE_RECORD(RegisterDeviceResponse, field(u"deviceId"_s, &RegisterDeviceResponse::deviceId),
                     field(u"role"_s, &RegisterDeviceResponse::role),
                     field(u"familyId"_s, &RegisterDeviceResponse::familyId),
                     field(u"deviceToken"_s, &RegisterDeviceResponse::deviceToken))

VANTOREL_WIRE_RECORD(ParentInvitationResponse,
                     field(u"invitationCode"_s, &ParentInvitationResponse::invitationCode),
                     field(u"expiresAt"_s, &ParentInvitationResponse::expiresAt))
