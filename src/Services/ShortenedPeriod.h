#pragma once

#include <QString>

#include <chrono>

class UserDefaults;

// A background period that the settings store may shorten but never lengthen: the scenario test
// runs the family's whole road in about a minute instead of many 45-second cycles. A shorter
// period only brings a parent's lock sooner and spends more requests, so a child who edits the
// store gains nothing; the floor keeps an absurd value from flooding the family server.
namespace ShortenedPeriod {

inline constexpr std::chrono::milliseconds floor { 1000 };

// Seconds stored under the key (integer or fractional); anything missing, not a number, not
// positive or not shorter than `production` gives `production`.
std::chrono::milliseconds read(const UserDefaults& defaults, const QString& key,
                               std::chrono::milliseconds production);

} // namespace ShortenedPeriod
