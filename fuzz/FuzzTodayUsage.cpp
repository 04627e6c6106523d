// The server's count of today's usage a child reads (GET …/devices/{id}/usage/today).
#include "FuzzInput.h"
#include "Protocol/UsageRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(data, size, [](const QByteArray& input) { TodayUsageResponse::fromBody(input); });
}
