// The policy answer a child reads on every cycle (GET …/devices/{id}/policy).
#include "FuzzInput.h"
#include "Protocol/PolicyResponseDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(data, size, [](const QByteArray& input) { PolicyResponseDecoder().decode(input); });
}
