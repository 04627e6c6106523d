#pragma once

#include <QtGlobal>

#include <optional>

// Calendar date components as far as this system uses them: an hour and a minute, either of
// which may be missing. Values are kept as received (64-bit, not range-checked); the rules that
// read them decide what an out-of-range value means.
struct DateComponents
{
    std::optional<qint64> hour;
    std::optional<qint64> minute;

    friend bool operator==(const DateComponents&, const DateComponents&) = default;
};
