#include "Views/MacParentUnlockNotifier.h"

#include "Models/L10n.h"
#include "Platform/SystemNotifications.h"

#include <QUuid>

namespace MacParentUnlockNotifier {

QCoro::Task<void> notify(SystemNotifications& center, qint64 count)
{
    co_await center.requestAuthorization();

    SystemNotifications::Request request;
    request.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    request.title = L10n::localized("岚哨");
    // The one-request text is its own entry so that languages with plural forms can say it.
    request.body = count == 1 ? L10n::localized("有孩子申请加时，现在共 1 条。")
                              : L10n::format(L10n::localized("有孩子申请加时，现在共 %d 条。"), { count });
    request.defaultSound = true;
    co_await center.add(std::move(request));
}

} // namespace MacParentUnlockNotifier
