#pragma once

#include "Protocol/DeviceRecords.h"

#include <QWidget>

#include <functional>

class ContentViewModel;
class MacAppSelectionStore;
class MacUnlockRequestState;
class MacUsageMonitorService;
class ParentDashboardViewModel;
class QLabel;
class QVBoxLayout;
class RemoteBackendConfig;
class ScreenTimePolicyStore;
class SystemNotifications;

// The home screen's panel: the header (which also counts the hidden self-check taps), the
// first-use card or the role's own content, and the bottom actions.
class HomePanelView final : public QWidget
{
    Q_OBJECT

public:
    struct Callbacks
    {
        std::function<void()> onAppSelection;
        std::function<void()> onEyeRestSettings;
        std::function<void()> onRemoteBinding;
        std::function<void()> onChildUnlock;
        std::function<void()> onMoreMenu;
        std::function<void(const DeviceListItem&)> onRuleSettings;
        std::function<void(const DeviceListItem&)> onRenameDevice;
        std::function<void(const DeviceListItem&)> onUnlockRequests;
        // Asks the child's parent for an unlock.
        std::function<void()> onUnlockRequest;
        // Whether the lock overlay shows right now.
        std::function<bool()> isOverlayShowing;
        // A bound child with no parent password yet: anyone could change its rules here.
        std::function<bool()> lacksParentPassword;
        std::function<void()> onSetPassword;
        // A child on a desktop whose extension for this application is missing or off: only the
        // process shield holds the rules there.
        std::function<bool()> lacksDesktopExtension;
    };

    HomePanelView(ContentViewModel& viewModel, ScreenTimePolicyStore& policyStore,
                  MacAppSelectionStore& appSelectionStore, RemoteBackendConfig& backendConfig,
                  const MacUsageMonitorService& usageMonitor, const MacUnlockRequestState& unlockRequests,
                  SystemNotifications& notifications, Callbacks callbacks, QWidget* parent = nullptr);

    // Rebuilds the role-dependent parts; the root screen calls it when the overlay shows or hides.
    void refresh();

    ParentDashboardViewModel& dashboardModel() const { return *m_dashboardModel; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshDevices();

    ContentViewModel& m_viewModel;
    ScreenTimePolicyStore& m_policyStore;
    MacAppSelectionStore& m_appSelectionStore;
    RemoteBackendConfig& m_backendConfig;
    Callbacks m_callbacks;
    QWidget* m_header = nullptr;
    QLabel* m_rolePill = nullptr;
    QWidget* m_firstUse = nullptr;
    ParentDashboardViewModel* m_dashboardModel = nullptr;
    QWidget* m_parentContent = nullptr;
    QWidget* m_childContent = nullptr;
    QWidget* m_childActions = nullptr;
    QWidget* m_noPassword = nullptr;
    QLabel* m_noExtension = nullptr;
};
