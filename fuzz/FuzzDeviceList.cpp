// The device list a parent reads (GET …/families/{code}/devices).
#include "FuzzInput.h"
#include "Protocol/DeviceRecords.h"
#include "Protocol/WireCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(
        data, size, [](const QByteArray& input) { WireCoding::decodeDocument<ListDevicesResponse>(input); });
}
