#pragma once

#include "Protocol/PolicyRecords.h"

#include <QByteArray>

// The one decoder of the policy answer. Its dates accept ISO 8601 with or without fractional
// seconds; every other answer is read with the plain record decoders. It holds no state, so
// concurrent decodes share nothing.
class PolicyResponseDecoder final
{
public:
    DevicePolicyResponse decode(const QByteArray& data) const;
};
