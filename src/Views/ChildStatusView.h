#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

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
                    std::function<void()> onAppSelection, std::function<void()> onEyeRestSettings = {},
                    QWidget* parent = nullptr);

private:
    void refresh();

    ScreenTimePolicyStore& m_policyStore;
    QLabel* m_limit = nullptr;
    QLabel* m_eyeRest = nullptr;
    QLabel* m_break = nullptr;
    // A break ends without any counted step; the time left is refreshed by the clock.
    QTimer m_tick;
    QLabel* m_used = nullptr;
    QLabel* m_requestPending = nullptr;
};
