#include "Services/Network/PolicyResponseDecoder.h"

#include "Services/Network/WireCoding.h"

DevicePolicyResponse PolicyResponseDecoder::decode(const QByteArray& data) const
{
    return WireCoding::decodeDocument<DevicePolicyResponse>(data);
}
