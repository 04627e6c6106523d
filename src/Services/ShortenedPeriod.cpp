#include "Services/ShortenedPeriod.h"

#include "Platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace ShortenedPeriod {

std::chrono::milliseconds read(const UserDefaults& defaults, const QString& key,
                               std::chrono::milliseconds production)
{
    std::optional<double> seconds = defaults.doubleValue(key);
    if (!seconds) {
        if (const auto whole = defaults.integer(key)) {
            seconds = double(*whole);
        }
    }
    if (!seconds || !std::isfinite(*seconds) || *seconds <= 0) {
        return production;
    }
    const double milliseconds = *seconds * 1000.0;
    if (milliseconds >= double(production.count())) {
        return production;
    }
    return std::min(production, std::max(floor, std::chrono::milliseconds(qint64(milliseconds))));
}

} // namespace ShortenedPeriod
