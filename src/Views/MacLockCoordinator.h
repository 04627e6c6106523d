#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Carries the two ways out of the lock screen from the root screen, which owns them, to the
// overlay, which shows them (each overlay controller has its own). Both do nothing until the root screen sets
// them. Answers to them are shown on the lock screen itself as a status line: a box of this application
// opened beneath the lock windows could never be reached.
class MacLockCoordinator final : public QObject
{
    Q_OBJECT

public:
    explicit MacLockCoordinator(QObject* parent = nullptr);

    std::function<void()> onUnlockRequest;
    std::function<void()> onPasswordUnlock;
    // A lock drawn by the compositor takes the parent password in its own field: this checks it,
    // unlocks and returns nothing on a match, and otherwise returns the sentence to show.
    std::function<QString(const QString& password)> onParentPassword;

    QString statusText() const { return m_statusText; }
    void setStatusText(const QString& text);

signals:
    void statusTextChanged();

private:
    QString m_statusText;
};
