// A child's health snapshot as the parent's rule screen reads it (GET …/devices/{id}/health).
#include "FuzzInput.h"
#include "Protocol/HealthRecords.h"
#include "Protocol/WireCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(
        data, size, [](const QByteArray& input) { WireCoding::decodeDocument<DeviceHealthSnapshot>(input); });
}
