#pragma once

#include "Platform/HostPlatform.h"
#include "Protocol/DeviceRecords.h"

#include <QWidget>

#include <functional>
#include <optional>

class AlertPresenter;
class AppLanguageStore;
class ContentViewModel;
class HomePanelView;
class MacAppSelectionStore;
class MacLockOverlayController;
class MacUnlockRequestState;
class MacUsageMonitorService;
class ParentalPasswordStore;
class QDialog;
class RemoteBackendConfig;
class ScreenTimePolicyStore;

// The window's root: the home panel, the sheets it opens, the two alerts, the first-use consent,
// and the set-up step that wires the lock screen's buttons and starts the role's work the first
// time the window is shown.
class ContentView final : public QWidget
{
    Q_OBJECT

public:
    struct Stores
    {
        ScreenTimePolicyStore& policyStore;
        ParentalPasswordStore& passwordStore;
        MacAppSelectionStore& appSelectionStore;
        RemoteBackendConfig& backendConfig;
        AppLanguageStore& appLanguageStore;
    };

    // The lock screen, the child's request to its parent and the usage count: made by the
    // application before this screen and kept after it.
    struct Lock
    {
        MacLockOverlayController& overlay;
        MacUnlockRequestState& unlockRequests;
        MacUsageMonitorService& usageMonitor;
    };

    // `alerts`: where this screen and its sheets ask and tell.
    ContentView(Stores stores, Lock lock, HostPlatform platform, AlertPresenter& alerts,
                QWidget* parent = nullptr);
    ~ContentView() override;

    ContentViewModel& viewModel() const { return *m_viewModel; }
    HomePanelView& homePanel() const { return *m_panel; }

    // Overlay callbacks on every computer and the device load on a parent with a family. Runs
    // once, on the first show.
    void onAppearSetup();
    bool hasRunSetup() const { return m_setupDone; }

    // Sheets of the parent screens and the more menu. The screen installs the real ones; a host
    // may replace them (the binding wizard borrows the first two).
    std::function<QDialog*(const DeviceListItem& device, QWidget* parent)> ruleSettingsSheet;
    std::function<QDialog*(const QString& deviceId, QWidget* parent)> unlockRequestsSheet;
    std::function<QDialog*(QWidget* parent)> moreMenuSheet;

    static inline const QString consentKey = QStringLiteral("macTermsPrivacyConsentAccepted");

    void openRemoteBinding();
    void openAppSelection();
    void openChildUnlock();
    // On a bound child without a parent password: the parent sets one here.
    void openPasswordSetup();
    void openRename(const DeviceListItem& device);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void installDefaultSheets();
    // Opens a sheet that deletes itself when closed; a parent's list reloads after some of them.
    void presentSheet(QDialog* sheet, bool refreshesDevices = false);
    void showConsentIfNeeded();
    void showUnlockRequestAlert();
    void showDiagnosticsAlert();
    void syncRenameSheet();

    Stores m_stores;
    Lock m_lock;
    HostPlatform m_platform;
    AlertPresenter& m_alerts;
    ContentViewModel* m_viewModel = nullptr;
    HomePanelView* m_panel = nullptr;
    QWidget* m_consent = nullptr;
    QDialog* m_renameSheet = nullptr;
    QDialog* m_passwordSheet = nullptr;
    bool m_setupDone = false;
};
