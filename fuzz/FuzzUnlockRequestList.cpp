// The pending unlock requests a parent reads (GET …/unlock-requests).
#include "FuzzInput.h"
#include "Services/Network/UnlockRecords.h"
#include "Services/Network/WireCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(data, size, [](const QByteArray& input) {
        WireCoding::decodeDocument<UnlockRequestListResponse>(input);
    });
}
