#include "Services/MacEyeRestSettingsViewModel.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/ScreenTimePolicyDefaults.h"
#include "Models/ScreenTimePolicyStore.h"

MacEyeRestSettingsViewModel::MacEyeRestSettingsViewModel(ScreenTimePolicyStore& policyStore,
                                                         ParentalPasswordStore& passwordStore)
    : m_policyStore(policyStore)
    , m_passwordStore(passwordStore)
{
}

bool MacEyeRestSettingsViewModel::isEnabled() const
{
    const auto policy = m_policyStore.policy();
    return policy.eyeRestIntervalMinutes > 0 && policy.eyeRestRestMinutes > 0;
}

qint64 MacEyeRestSettingsViewModel::intervalMinutes() const
{
    const auto stored = m_policyStore.policy().eyeRestIntervalMinutes;
    return stored >= minimumInterval && stored <= maximumInterval
        ? stored
        : ScreenTimePolicyDefaults::eyeRestIntervalMinutes;
}

qint64 MacEyeRestSettingsViewModel::restMinutes() const
{
    const auto stored = m_policyStore.policy().eyeRestRestMinutes;
    return stored >= minimumRest && stored <= maximumRest ? stored
                                                          : ScreenTimePolicyDefaults::eyeRestRestMinutes;
}

std::optional<QString> MacEyeRestSettingsViewModel::save(const QString& password, bool enabled,
                                                         qint64 intervalMinutes, qint64 restMinutes)
{
    if (!m_passwordStore.hasPassword()) {
        return L10n::localized(
            "本机还没有设置家长密码。请先在「身份 / 基础设置」中设置家长密码，再修改视力保护。");
    }
    if (!m_passwordStore.verify(password)) {
        return L10n::localized("密码错误，请重试");
    }
    if (enabled
        && (intervalMinutes < minimumInterval || intervalMinutes > maximumInterval
            || restMinutes < minimumRest || restMinutes > maximumRest)) {
        return L10n::format(
            L10n::localized("连续使用时长须在 %d 到 %d 分钟之间，休息时长须在 %d 到 %d 分钟之间。"),
            { minimumInterval, maximumInterval, minimumRest, maximumRest });
    }
    m_policyStore.update([&](ScreenTimePolicy& policy) {
        policy.eyeRestIntervalMinutes = enabled ? intervalMinutes : 0;
        if (enabled) {
            policy.eyeRestRestMinutes = restMinutes;
        }
    });
    return std::nullopt;
}

QString MacEyeRestSettingsViewModel::summary(qint64 intervalMinutes, qint64 restMinutes)
{
    if (intervalMinutes <= 0 || restMinutes <= 0) {
        return L10n::localized("视力保护：已关闭");
    }
    return L10n::format(L10n::localized("视力保护：每连续使用 %d 分钟休息 %d 分钟"),
                        { intervalMinutes, restMinutes });
}
