// The error body of every failing answer.
#include "FuzzInput.h"
#include "Protocol/ErrorResponse.h"
#include "Protocol/WireCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return decodeOrRefuse(data, size,
                          [](const QByteArray& input) { WireCoding::decodeDocument<ErrorResponse>(input); });
}
