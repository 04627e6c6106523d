#pragma once

#include "Models/RemoteDeviceRole.h"
#include "Protocol/FeedbackRecords.h"
#include "Protocol/PolicyRecords.h"

struct ScreenTimePolicy;

// The wire form of this computer's own models. The protocol library, which the family server
// shares, knows none of them.

// What a parent sends: missing hour or minute components become 0, "forceLocked" is always
// present.
PolicyPayload policyPayload(const ScreenTimePolicy& policy);

// The feedback form's rules: the platform is "mac_parent", "mac_child", or "mac" for a computer
// without a role; content and contact without surrounding white space and line breaks; device,
// family and contact only when not empty. The family travels under "familyId" but carries the
// family code, which is what the computer knows.
FeedbackPayload feedbackPayload(RemoteDeviceRole role, const QString& category, const QString& content,
                                const QString& contact, const QString& appVersion, const QString& osVersion,
                                const QString& deviceID, const QString& familyCode);
