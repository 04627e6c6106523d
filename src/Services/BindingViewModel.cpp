#include "Services/BindingViewModel.h"

#include "Models/DeviceTokenStore.h"
#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/Workspace.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/RemoteAPIError.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <exception>

using namespace Qt::StringLiterals;

BindingViewModel::BindingViewModel(Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
{
}

void BindingViewModel::setMessages(const std::optional<QString>& error, const std::optional<QString>& success)
{
    m_errorMessage = error;
    m_successMessage = success;
    emit messagesChanged();
}

void BindingViewModel::prepare(const RemoteBackendConfig& backendConfig)
{
    isParent = backendConfig.role() == RemoteDeviceRole::parent;
    const auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        return;
    }
    // Only opens the connection early; the answer and any failure are of no interest.
    QNetworkReply* reply = client->session()->get(QNetworkRequest(client->baseURL()));
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

void BindingViewModel::chooseRole(RemoteBackendConfig& backendConfig, bool parent)
{
    // The family server knows this computer as a child and would make it one again: a computer
    // that leaves the child role leaves that registration too.
    if (parent && backendConfig.role() == RemoteDeviceRole::child && !backendConfig.deviceID().isEmpty()) {
        performMacClearBinding(backendConfig);
    }
    backendConfig.setRole(parent ? RemoteDeviceRole::parent : RemoteDeviceRole::child);
    isParent = parent;
}

void BindingViewModel::goNext()
{
    setCurrentStep(m_currentStep + 1);
    setMessages(std::nullopt, std::nullopt);
}

void BindingViewModel::goBack()
{
    if (m_currentStep < 2) {
        return;
    }
    setCurrentStep(m_currentStep - 1);
    setMessages(std::nullopt, std::nullopt);
}

void BindingViewModel::setupPassword(ParentalPasswordStore& passwordStore)
{
    if (m_passwordInput.isEmpty()) {
        m_passwordSetupError = L10n::localized("请输入密码");
    } else if (m_passwordInput != m_passwordConfirm) {
        m_passwordSetupError = L10n::localized("两次输入不一致，请重试");
    } else {
        passwordStore.setupPassword(m_passwordInput);
        m_passwordInput.clear();
        m_passwordConfirm.clear();
        m_passwordSetupError.reset();
    }
    emit passwordFieldsChanged();
}

QString BindingViewModel::trimBlanks(const QString& text)
{
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && isBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString BindingViewModel::effectiveDeviceName() const
{
    if (!m_deviceName.isEmpty()) {
        return m_deviceName;
    }
    const QString host = m_workspace.hostName();
    return host.isEmpty() ? u"Mac"_s : host;
}

QCoro::Task<> BindingViewModel::createFamily(RemoteBackendConfig& backendConfig)
{
    const auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        setMessages(L10n::localized("服务地址不合法"), m_successMessage);
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(this, busyDisplay(), &BindingViewModel::createFamilyWith, *client,
                                          backendConfig);
    co_await busy;
}

QCoro::Task<> BindingViewModel::createFamilyWith(const RemoteAPIClient& client,
                                                 RemoteBackendConfig& backendConfig)
{
    auto createTask = client.createFamily();
    const CreateFamilyResponse family = co_await createTask;
    const QString name = effectiveDeviceName();
    auto registerTask = client.registerDevice(family.familyCode, RemoteDeviceRole::parent, name);
    const RegisterDeviceResponse registered = co_await registerTask;
    if (registered.deviceToken) {
        DeviceTokenStore::save(*registered.deviceToken, backendConfig.keychain());
    }
    backendConfig.setFamilyCode(family.familyCode);
    backendConfig.setDeviceID(registered.deviceId);
    backendConfig.setDeviceName(name);
    backendConfig.setRole(RemoteDeviceRole::parent);
    setMessages(std::nullopt,
                L10n::format(L10n::localized("家庭创建成功，家庭码：%@"), { family.familyCode }));
    setCurrentStep(4);
    isParent = true;
}

QCoro::Task<> BindingViewModel::recoverFamily(RemoteBackendConfig& backendConfig)
{
    const QString code = trimBlanks(m_recoverFamilyCode);
    if (code.size() != 6) {
        co_return;
    }
    if (m_needsInvitationCode && !trimBlanks(m_invitationCodeInput).isEmpty()) {
        auto join = joinAsInvitedParent(backendConfig, code);
        co_await join;
        co_return;
    }
    const auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(this, busyDisplay(), &BindingViewModel::recoverFamilyWith, *client,
                                          backendConfig, code);
    co_await busy;
}

QCoro::Task<> BindingViewModel::recoverFamilyWith(const RemoteAPIClient& client,
                                                  RemoteBackendConfig& backendConfig, QString code)
{
    try {
        auto task = client.fetchDevices(code);
        co_await task;
    } catch (const RemoteAPIError& error) {
        // A protected family shows its devices only to its parent computers: this one joins them
        // with an invitation instead.
        if (error.reason() != u"tokenRequired"_s && error.reason() != u"forbidden"_s) {
            throw;
        }
        m_needsInvitationCode = true;
        emit invitationChanged();
        setMessages(L10n::localized("这个家庭已开启家长保护。请在已绑定的家长电脑上点“更多 › "
                                    "邀请另一台家长电脑”，把得到的邀请码填在下面。"),
                    std::nullopt);
        co_return;
    }
    backendConfig.setFamilyCode(code);
    setRecoverFamilyCode(QString());
    setMessages(std::nullopt, L10n::localized("恢复成功"));
    setCurrentStep(4);
    isParent = true;
}

QCoro::Task<> BindingViewModel::joinAsInvitedParent(RemoteBackendConfig& backendConfig, QString code)
{
    auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        setMessages(L10n::localized("服务地址不合法"), std::nullopt);
        co_return;
    }
    // A token of an earlier binding belongs to another device; this registration brings its own.
    client->setDeviceToken(std::nullopt);
    auto busy = ViewModelSupport::runBusy(this, busyDisplay(), &BindingViewModel::joinAsInvitedParentWith,
                                          *client, backendConfig, code);
    co_await busy;
}

QCoro::Task<> BindingViewModel::joinAsInvitedParentWith(const RemoteAPIClient& client,
                                                        RemoteBackendConfig& backendConfig, QString code)
{
    const QString name = effectiveDeviceName();
    auto task
        = client.registerDevice(code, RemoteDeviceRole::parent, name, trimBlanks(m_invitationCodeInput));
    const RegisterDeviceResponse registered = co_await task;
    if (registered.deviceToken) {
        DeviceTokenStore::save(*registered.deviceToken, backendConfig.keychain());
    }
    backendConfig.setFamilyCode(code);
    backendConfig.setDeviceID(registered.deviceId);
    backendConfig.setDeviceName(name);
    backendConfig.setRole(RemoteDeviceRole::parent);
    setRecoverFamilyCode(QString());
    m_invitationCodeInput.clear();
    m_needsInvitationCode = false;
    emit invitationChanged();
    setMessages(std::nullopt, L10n::localized("恢复成功"));
    setCurrentStep(4);
    isParent = true;
}

QCoro::Task<> BindingViewModel::joinFamily(RemoteBackendConfig& backendConfig)
{
    const auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        setMessages(L10n::localized("服务地址不合法"), m_successMessage);
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(this, busyDisplay(), &BindingViewModel::joinFamilyWith, *client,
                                          backendConfig);
    co_await busy;
}

QCoro::Task<> BindingViewModel::joinFamilyWith(const RemoteAPIClient& client,
                                               RemoteBackendConfig& backendConfig)
{
    const QString code = trimBlanks(m_familyCodeInput);
    const QString name = effectiveDeviceName();
    auto task = client.registerDevice(code, RemoteDeviceRole::child, name);
    const RegisterDeviceResponse registered = co_await task;
    if (registered.deviceToken) {
        DeviceTokenStore::save(*registered.deviceToken, backendConfig.keychain());
    }
    backendConfig.setDeviceID(registered.deviceId);
    backendConfig.setFamilyCode(code);
    backendConfig.setDeviceName(name);
    backendConfig.setRole(RemoteDeviceRole::child);
    setMessages(std::nullopt, L10n::localized("已加入家庭"));
    setCurrentStep(3);
    isParent = false;
}

QCoro::Task<> BindingViewModel::refreshWizardChildData(RemoteBackendConfig& backendConfig)
{
    const auto client = RemoteAPIClient::make(backendConfig);
    const QString code = backendConfig.familyCode();
    if (!client || code.isEmpty()) {
        co_return;
    }
    m_isLoadingWizardChildData = true;
    emit wizardChildDataChanged();
    auto devicesTask = client->fetchDevices(code);
    auto requestsTask = client->fetchUnlockRequests(code, u"pending"_s);
    QList<DeviceListItem> devices;
    QList<UnlockRequest> requests;
    bool failed = false;
    try {
        devices = co_await devicesTask;
    } catch (...) {
        failed = true;
    }
    try {
        requests = co_await requestsTask;
    } catch (...) {
        failed = true;
    }
    m_wizardChildDevices = failed ? QList<DeviceListItem>() : devices;
    m_wizardPendingUnlocks = failed ? QList<UnlockRequest>() : requests;
    m_isLoadingWizardChildData = false;
    emit wizardChildDataChanged();
}

bool BindingViewModel::verifyClearBindingPassword(ParentalPasswordStore& passwordStore)
{
    if (passwordStore.refresh() == ParentalPasswordStore::State::unreadable) {
        m_clearBindingPasswordError = L10n::localized("暂时无法读取家长密码（系统钥匙环打不开），请稍后重试");
        emit clearBindingChanged();
        return false;
    }
    const bool ok = passwordStore.verify(m_clearBindingPasswordInput);
    if (!ok) {
        m_clearBindingPasswordError = L10n::localized("密码错误，请重试");
        emit clearBindingChanged();
    }
    return ok;
}

void BindingViewModel::performMacClearBinding(RemoteBackendConfig& backendConfig)
{
    DeviceTokenStore::clear(backendConfig.keychain());
    backendConfig.setDeviceID(QString());
    backendConfig.setFamilyCode(QString());
    backendConfig.setDeviceName(QString());
    setFamilyCodeInput(QString());
    setDeviceName(QString());
    setMessages(std::nullopt, L10n::localized("已清除本机绑定"));
}

void BindingViewModel::clearLocalFamilyInfo(RemoteBackendConfig& backendConfig)
{
    backendConfig.setFamilyCode(QString());
    setRecoverFamilyCode(QString());
    setMessages(m_errorMessage, L10n::localized("已清除，请重新创建或恢复家庭。"));
}

void BindingViewModel::requestClearBinding(ParentalPasswordStore& passwordStore,
                                           RemoteBackendConfig& backendConfig)
{
    if (passwordStore.refresh() != ParentalPasswordStore::State::none) {
        m_clearBindingPasswordInput.clear();
        m_clearBindingPasswordError.reset();
        setShowingClearBindingVerify(true);
    } else {
        performMacClearBinding(backendConfig);
    }
}

void BindingViewModel::confirmClearBinding(ParentalPasswordStore& passwordStore,
                                           RemoteBackendConfig& backendConfig)
{
    if (verifyClearBindingPassword(passwordStore)) {
        setShowingClearBindingVerify(false);
        performMacClearBinding(backendConfig);
    }
}

bool BindingViewModel::canCreateFamily() const
{
    return !m_deviceName.isEmpty() && !m_isBusy;
}

bool BindingViewModel::canRecoverFamily() const
{
    return trimBlanks(m_recoverFamilyCode).size() == 6 && !m_isBusy;
}

bool BindingViewModel::canJoinFamily() const
{
    return !m_familyCodeInput.isEmpty() && !m_deviceName.isEmpty() && !m_isBusy;
}

bool BindingViewModel::isLastStep() const
{
    return (isParent && m_currentStep == 4) || (!isParent && m_currentStep == 3);
}

bool BindingViewModel::isForwardDisabled(bool hasPassword) const
{
    return isParent && m_currentStep == 2 && !hasPassword;
}
