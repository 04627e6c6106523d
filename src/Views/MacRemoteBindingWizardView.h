#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QDialog>

#include <functional>

class AlertPresenter;
class BindingViewModel;
class MacAppSelectionStore;
class ParentalPasswordStore;
class QLabel;
class QPushButton;
class QVBoxLayout;
class RemoteBackendConfig;
class ScreenTimePolicyStore;
class Workspace;
struct DeviceListItem;

// The sheet in which this computer gets its role in a family. It owns a fresh BindingViewModel,
// shows the step of the current path, the messages and the navigation bar; "完成" calls
// `onDismiss`.
class MacRemoteBindingWizardView final : public QDialog
{
    Q_OBJECT

public:
    MacRemoteBindingWizardView(RemoteBackendConfig& backendConfig, MacAppSelectionStore& appSelectionStore,
                               ParentalPasswordStore& passwordStore, ScreenTimePolicyStore& policyStore,
                               Workspace& workspace, AlertPresenter& alerts, std::function<void()> onDismiss,
                               QWidget* parent = nullptr);
    ~MacRemoteBindingWizardView() override;

    BindingViewModel& viewModel() const { return *m_viewModel; }

    // The parent summary's two entries open the sheets of the parent screens; until those are
    // given, the entries only record the chosen device in the view model.
    std::function<QDialog*(const DeviceListItem& device, QWidget* parent)> ruleSettingsSheet;
    std::function<QDialog*(const QString& deviceId, QWidget* parent)> unlockRequestsSheet;

private:
    void rebuildStep();
    void refreshChrome();
    void refreshMessages();
    void syncSheets();
    void forward();

    RemoteBackendConfig& m_backendConfig;
    ParentalPasswordStore& m_passwordStore;
    std::function<void()> m_onDismiss;
    BindingViewModel* m_viewModel = nullptr;
    BindingStepContext m_context;
    QWidget* m_stepIndicator = nullptr;
    QWidget* m_step = nullptr;
    QVBoxLayout* m_stepHolder = nullptr;
    QLabel* m_error = nullptr;
    QLabel* m_success = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_forward = nullptr;
    QDialog* m_clearSheet = nullptr;
    bool m_sheetOpen = false;
    int m_shownStep = 0;
    bool m_shownParent = false;
};
