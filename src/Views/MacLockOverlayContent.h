#pragma once

#include <QWidget>

#include <functional>

class QLabel;

// What every lock window shows: the shield symbol, the product name, the reason, and the two
// ways out ("ask the parent", "parent password").
class MacLockOverlayContent final : public QWidget
{
    Q_OBJECT

public:
    MacLockOverlayContent(const QString& reasonText, std::function<void()> onUnlockRequest,
                          std::function<void()> onPasswordUnlock, QWidget* parent = nullptr);

    QString reasonText() const;

private:
    QLabel* m_reason = nullptr;
};
