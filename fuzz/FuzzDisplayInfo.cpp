// The operator's public display information (GET …/public/app-display-info).
#include "FuzzInput.h"
#include "Protocol/PublicDisplayInfoRecords.h"
#include "Protocol/WireCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(
        data, size, [](const QByteArray& input) { WireCoding::decodeDocument<PublicAppDisplayInfo>(input); });
}
