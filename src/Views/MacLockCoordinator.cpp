#include "Views/MacLockCoordinator.h"

MacLockCoordinator& MacLockCoordinator::shared()
{
    static auto* instance = new MacLockCoordinator;
    return *instance;
}

MacLockCoordinator::MacLockCoordinator(QObject* parent)
    : QObject(parent)
{
}
