#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class RemoteBackendConfig;
class ScreenTimePolicyStore;

// The child computer's two cards: its current daily limit and today's counted use.
class ChildStatusView final : public QWidget
{
    Q_OBJECT

public:
    ChildStatusView(ScreenTimePolicyStore& policyStore, RemoteBackendConfig& backendConfig,
                    std::function<void()> onAppSelection, QWidget* parent = nullptr);

private:
    void refresh();

    ScreenTimePolicyStore& m_policyStore;
    QLabel* m_limit = nullptr;
    QLabel* m_used = nullptr;
    QLabel* m_requestPending = nullptr;
};
