#include "Protocol/ErrorResponse.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(ErrorResponse, field(u"error"_s, &ErrorResponse::error),
                     field(u"message"_s, &ErrorResponse::message), field(u"reason"_s, &ErrorResponse::reason))
