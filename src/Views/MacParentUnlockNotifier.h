#pragma once

#include <QtGlobal>
#include <qcorotask.h>

class SystemNotifications;

// Tells a parent who is not looking at the application that a child asks for more time. The
// caller (the dashboard's watch) decides when; every call posts a new notification.
namespace MacParentUnlockNotifier {

// Asks for permission, then posts "岚哨" / "有孩子申请加时，现在共 <count> 条。". Never fails
// towards the caller: a refusal or a missing notification server is ignored.
QCoro::Task<void> notify(SystemNotifications& center, qint64 count);

} // namespace MacParentUnlockNotifier
