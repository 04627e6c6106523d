#pragma once

#include "Protocol/DecodingError.h"
#include "Protocol/SerializationError.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Runs `decode` on the fuzzer's bytes, handed over without a copy so that AddressSanitizer sees
// any read past their end. Refusing the input (DecodingError, SerializationError) is a decoder's
// documented answer to bad data; anything else that escapes, and every crash, leak or hang, is a
// finding.
template <typename Decode> int decodeOrRefuse(const uint8_t* data, size_t size, Decode decode)
{
    const auto input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        decode(input);
    } catch (const DecodingError&) {
    } catch (const SerializationError&) {
    }
    return 0;
}
