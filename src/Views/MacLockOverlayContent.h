#pragma once

#include <QWidget>

#include <functional>

class MacLockCoordinator;
class MacUnlockRequestState;
class QLabel;

// What every lock window shows: the shield symbol, the product name, the reason, and the two
// ways out ("ask the parent", "parent password"), the coordinator's status line and, when a request
// state is given, whether a request waits or was declined.
class MacLockOverlayContent final : public QWidget
{
    Q_OBJECT

public:
    MacLockOverlayContent(const QString& reasonText, const MacLockCoordinator& coordinator,
                          const MacUnlockRequestState* requests, QWidget* parent = nullptr);

    QString reasonText() const;
    // Whether a request waits for a parent or was declined; empty when neither.
    static QString requestStateText(const MacUnlockRequestState* requests);

private:
    QLabel* m_reason = nullptr;
};
