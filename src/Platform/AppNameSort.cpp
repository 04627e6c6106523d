#include "Platform/AppNameSort.h"

#include <QCollator>

#include <algorithm>

namespace AppNameSort {
void sortByName(QList<MacAppItem>& items)
{
    QCollator collator;
    std::stable_sort(items.begin(), items.end(),
                     [&collator](const MacAppItem& left, const MacAppItem& right) {
                         return collator.compare(left.name, right.name) < 0;
                     });
}
} // namespace AppNameSort
