#pragma once

#include "Protocol/DeviceRecords.h"
#include "Protocol/UnlockRecords.h"
#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class ParentalPasswordStore;
class RemoteAPIClient;
class RemoteBackendConfig;
class Workspace;

// The state and actions of the binding wizard, made fresh each time the wizard opens: the role,
// the parent password, creating, restoring or joining a family, the parent's summary and
// clearing the local binding.
class BindingViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int currentStep READ currentStep NOTIFY currentStepChanged)
    Q_PROPERTY(QString deviceName READ deviceName WRITE setDeviceName NOTIFY deviceNameChanged)
    Q_PROPERTY(
        QString familyCodeInput READ familyCodeInput WRITE setFamilyCodeInput NOTIFY familyCodeInputChanged)
    Q_PROPERTY(QString recoverFamilyCode READ recoverFamilyCode WRITE setRecoverFamilyCode NOTIFY
                   recoverFamilyCodeChanged)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY isBusyChanged)
    Q_PROPERTY(QString invitationCodeInput READ invitationCodeInput WRITE setInvitationCodeInput NOTIFY
                   invitationChanged)
    Q_PROPERTY(bool needsInvitationCode READ needsInvitationCode NOTIFY invitationChanged)

public:
    // The workspace names the computer when no device name was typed.
    explicit BindingViewModel(Workspace& workspace, QObject* parent = nullptr);

    int currentStep() const { return m_currentStep; }
    QString deviceName() const { return m_deviceName; }
    void setDeviceName(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_deviceName, value, &BindingViewModel::deviceNameChanged);
    }
    QString familyCodeInput() const { return m_familyCodeInput; }
    void setFamilyCodeInput(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_familyCodeInput, value,
                                       &BindingViewModel::familyCodeInputChanged);
    }
    QString recoverFamilyCode() const { return m_recoverFamilyCode; }
    void setRecoverFamilyCode(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_recoverFamilyCode, value,
                                       &BindingViewModel::recoverFamilyCodeChanged);
    }
    bool isBusy() const { return m_isBusy; }
    // Restoring a family whose parents protect it needs a one-time code from one of their
    // computers; the restore step then shows a field for it and restoring registers this one.
    QString invitationCodeInput() const { return m_invitationCodeInput; }
    void setInvitationCodeInput(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_invitationCodeInput, value,
                                       &BindingViewModel::invitationChanged);
    }
    bool needsInvitationCode() const { return m_needsInvitationCode; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    std::optional<QString> successMessage() const { return m_successMessage; }
    bool isShowingClearBindingVerify() const { return m_isShowingClearBindingVerify; }
    void setShowingClearBindingVerify(bool showing)
    {
        ViewModelSupport::setAndNotify(this, m_isShowingClearBindingVerify, showing,
                                       &BindingViewModel::clearBindingChanged);
    }
    QString clearBindingPasswordInput() const { return m_clearBindingPasswordInput; }
    void setClearBindingPasswordInput(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_clearBindingPasswordInput, value,
                                       &BindingViewModel::clearBindingChanged);
    }
    std::optional<QString> clearBindingPasswordError() const { return m_clearBindingPasswordError; }
    QString passwordInput() const { return m_passwordInput; }
    void setPasswordInput(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_passwordInput, value,
                                       &BindingViewModel::passwordFieldsChanged);
    }
    QString passwordConfirm() const { return m_passwordConfirm; }
    void setPasswordConfirm(const QString& value)
    {
        ViewModelSupport::setAndNotify(this, m_passwordConfirm, value,
                                       &BindingViewModel::passwordFieldsChanged);
    }
    std::optional<QString> passwordSetupError() const { return m_passwordSetupError; }
    QList<DeviceListItem> wizardChildDevices() const { return m_wizardChildDevices; }
    QList<UnlockRequest> wizardPendingUnlocks() const { return m_wizardPendingUnlocks; }
    bool isLoadingWizardChildData() const { return m_isLoadingWizardChildData; }
    std::optional<DeviceListItem> selectedChildForRuleSettingsInWizard() const { return m_selectedChild; }
    void setSelectedChildForRuleSettingsInWizard(const std::optional<DeviceListItem>& device)
    {
        ViewModelSupport::setAndNotify(this, m_selectedChild, device, &BindingViewModel::sheetsChanged);
    }
    bool isShowingUnlockRequestsInWizard() const { return m_isShowingUnlockRequests; }
    void setShowingUnlockRequestsInWizard(bool showing)
    {
        ViewModelSupport::setAndNotify(this, m_isShowingUnlockRequests, showing,
                                       &BindingViewModel::sheetsChanged);
    }
    std::optional<QString> wizardUnlockFilterDeviceId() const { return m_wizardUnlockFilterDeviceId; }
    void setWizardUnlockFilterDeviceId(const std::optional<QString>& id)
    {
        ViewModelSupport::setAndNotify(this, m_wizardUnlockFilterDeviceId, id,
                                       &BindingViewModel::sheetsChanged);
    }

    bool isParent = false;

    // Called each time the wizard is shown: the path follows the stored role, and the server's
    // connection is warmed in the background.
    void prepare(const RemoteBackendConfig& backendConfig);
    void chooseRole(RemoteBackendConfig& backendConfig, bool parent);

    void goNext();
    void goBack();
    void setupPassword(ParentalPasswordStore& passwordStore);
    QCoro::Task<> createFamily(RemoteBackendConfig& backendConfig);
    QCoro::Task<> recoverFamily(RemoteBackendConfig& backendConfig);
    QCoro::Task<> joinFamily(RemoteBackendConfig& backendConfig);
    QCoro::Task<> refreshWizardChildData(RemoteBackendConfig& backendConfig);
    bool verifyClearBindingPassword(ParentalPasswordStore& passwordStore);
    void performMacClearBinding(RemoteBackendConfig& backendConfig);
    // "清除本地家庭信息" on the create-or-restore step.
    void clearLocalFamilyInfo(RemoteBackendConfig& backendConfig);
    // "清除本机绑定，重新加入家庭": asks for the password when one exists, else clears at once.
    void requestClearBinding(ParentalPasswordStore& passwordStore, RemoteBackendConfig& backendConfig);
    // "确认" in the clear-binding sheet.
    void confirmClearBinding(ParentalPasswordStore& passwordStore, RemoteBackendConfig& backendConfig);

    // Button conditions.
    bool canCreateFamily() const;
    bool canRecoverFamily() const;
    bool canJoinFamily() const;
    bool isLastStep() const;
    bool isForwardDisabled(bool hasPassword) const;

    // Blanks (spaces and tabs, not line breaks) removed at both ends, as family codes are used.
    static QString trimBlanks(const QString& text);
    // The nickname, else the computer's host name, else "Mac".
    QString effectiveDeviceName() const;

signals:
    void currentStepChanged();
    void deviceNameChanged();
    void familyCodeInputChanged();
    void recoverFamilyCodeChanged();
    void isBusyChanged();
    void messagesChanged();
    void clearBindingChanged();
    void passwordFieldsChanged();
    void wizardChildDataChanged();
    void sheetsChanged();
    void invitationChanged();

private:
    Workspace& m_workspace;
    void setCurrentStep(int step)
    {
        ViewModelSupport::setAndNotify(this, m_currentStep, step, &BindingViewModel::currentStepChanged);
    }
    void setBusy(bool busy)
    {
        ViewModelSupport::setAndNotify(this, m_isBusy, busy, &BindingViewModel::isBusyChanged);
    }
    void setMessages(const std::optional<QString>& error, const std::optional<QString>& success);
    void showFailure(std::optional<QString> message) { setMessages(message, std::nullopt); }
    static ViewModelSupport::BusyDisplay<BindingViewModel> busyDisplay()
    {
        return { &BindingViewModel::setBusy, &BindingViewModel::showFailure };
    }
    QCoro::Task<> joinAsInvitedParent(RemoteBackendConfig& backendConfig, QString code);
    // The happy paths of the actions above; what they throw becomes the message line.
    QCoro::Task<> createFamilyWith(const RemoteAPIClient& client, RemoteBackendConfig& backendConfig);
    QCoro::Task<> recoverFamilyWith(const RemoteAPIClient& client, RemoteBackendConfig& backendConfig,
                                    QString code);
    QCoro::Task<> joinAsInvitedParentWith(const RemoteAPIClient& client, RemoteBackendConfig& backendConfig,
                                          QString code);
    QCoro::Task<> joinFamilyWith(const RemoteAPIClient& client, RemoteBackendConfig& backendConfig);

    int m_currentStep = 1;
    QString m_deviceName;
    QString m_familyCodeInput;
    QString m_recoverFamilyCode;
    bool m_isBusy = false;
    QString m_invitationCodeInput;
    bool m_needsInvitationCode = false;
    std::optional<QString> m_errorMessage;
    std::optional<QString> m_successMessage;
    bool m_isShowingClearBindingVerify = false;
    QString m_clearBindingPasswordInput;
    std::optional<QString> m_clearBindingPasswordError;
    QString m_passwordInput;
    QString m_passwordConfirm;
    std::optional<QString> m_passwordSetupError;
    QList<DeviceListItem> m_wizardChildDevices;
    QList<UnlockRequest> m_wizardPendingUnlocks;
    bool m_isLoadingWizardChildData = false;
    std::optional<DeviceListItem> m_selectedChild;
    bool m_isShowingUnlockRequests = false;
    std::optional<QString> m_wizardUnlockFilterDeviceId;
};
