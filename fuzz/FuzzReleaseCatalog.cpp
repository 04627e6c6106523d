// The vendor's release catalogue the self-updater reads at launch.
#include "App/MacAppUpdate.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(data, size, [](const QByteArray& input) { MacAppUpdate::parseCatalog(input); });
}
