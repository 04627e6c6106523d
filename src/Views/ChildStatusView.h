#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

class MacUnlockRequestState;
class MacUsageMonitorService;
class QLabel;
class RemoteBackendConfig;
class ScreenTimePolicyStore;

// The child computer's two cards: its current daily limit and eye-rest rhythm, and today's
// counted use with the eye-rest break that is running, if any.
class ChildStatusView final : public QWidget
{
    Q_OBJECT

public:
    ChildStatusView(ScreenTimePolicyStore& policyStore, RemoteBackendConfig& backendConfig,
                    const MacUsageMonitorService& usageMonitor, const MacUnlockRequestState& unlockRequests,
                    std::function<void()> onAppSelection, std::function<void()> onEyeRestSettings = {},
                    QWidget* parent = nullptr);

private:
    void refresh();

    ScreenTimePolicyStore& m_policyStore;
    const MacUsageMonitorService& m_monitor;
    const MacUnlockRequestState& m_unlockRequests;
    QLabel* m_limit = nullptr;
    QLabel* m_eyeRest = nullptr;
    QLabel* m_break = nullptr;
    // A break ends without any counted step; the time left is refreshed by the clock.
    QTimer m_tick;
    QLabel* m_used = nullptr;
    QLabel* m_requestPending = nullptr;
};
