#pragma once

#include "Platform/MacAppItem.h"

#include <QList>

namespace AppNameSort {
// Ascending by display name in the user's locale; stable, so equal names keep listing order.
void sortByName(QList<MacAppItem>& items);
} // namespace AppNameSort
