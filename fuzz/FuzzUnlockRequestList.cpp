// The pending unlock requests a parent reads (GET …/unlock-requests).
#include "FuzzInput.h"
#include "Protocol/UnlockRecords.h"
#include "Protocol/WireCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(data, size, [](const QByteArray& input) {
        WireCoding::decodeDocument<UnlockRequestListResponse>(input);
    });
}
