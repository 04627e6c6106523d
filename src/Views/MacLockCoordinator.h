#pragma once

#include <QObject>

#include <functional>

// Carries the two ways out of the lock screen from the root screen, which owns them, to the
// overlay, which shows them. Both do nothing until the root screen sets them.
class MacLockCoordinator final : public QObject
{
    Q_OBJECT

public:
    static MacLockCoordinator& shared();

    explicit MacLockCoordinator(QObject* parent = nullptr);

    std::function<void()> onUnlockRequest = [] {};
    std::function<void()> onPasswordUnlock = [] {};
};
