#include "Protocol/PolicyResponseDecoder.h"

#include "Protocol/WireCoding.h"

DevicePolicyResponse PolicyResponseDecoder::decode(const QByteArray& data) const
{
    return WireCoding::decodeDocument<DevicePolicyResponse>(data);
}
