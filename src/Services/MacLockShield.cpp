#include "Services/MacLockShield.h"

#include "Models/L10n.h"

#include <QTime>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockReason;

namespace MacLockShield {

OverlayAction actionFor(const MacPolicyExecutor::LockDecision& decision)
{
    if (!decision.locked || !decision.reason) {
        return OverlayAction::hide;
    }
    return *decision.reason == LockReason::forceLocked ? OverlayAction::showOverlay : OverlayAction::appBlock;
}

QList<RunningApplication> applicationsToHide(const QList<RunningApplication>& running,
                                             const MacSelectionMatcher& targets,
                                             const std::optional<QString>& ownBundleIdentifier,
                                             qint64 ownProcess)
{
    QList<RunningApplication> hide;
    if (targets.isEmpty()) {
        return hide;
    }
    for (const auto& app : running) {
        if (!app.isRegular || app.processIdentifier == ownProcess
            || app.bundleIdentifier == ownBundleIdentifier) {
            continue;
        }
        if (targets.matches(app.bundleIdentifier.value_or(QString()), app.localizedName.value_or(QString()),
                            app.executablePath.value_or(QString()))) {
            hide.append(app);
        }
    }
    return hide;
}

QString formatTime(const DateComponents& time)
{
    const auto minutes = MacPolicyExecutor::minuteOfDay(time.hour.value_or(0), time.minute.value_or(0));
    const auto ofDay = ((minutes % 1440) + 1440) % 1440;
    return QTime(int(ofDay / 60), int(ofDay % 60)).toString(u"HH:mm"_s);
}

QString reasonText(LockReason reason, const ScreenTimePolicy& policy)
{
    switch (reason) {
    case LockReason::forceLocked:
        return L10n::localized("设备已被家长一键锁定");
    case LockReason::blockedPeriod:
        return L10n::format(L10n::localized("当前处于禁用时段：%@ - 次日 %@"),
                            { formatTime(policy.blockedStart), formatTime(policy.blockedEnd) });
    case LockReason::dailyLimit:
        return L10n::format(L10n::localized("今日使用已达上限（%d 分钟）"), { policy.dailyLimitMinutes });
    case LockReason::eyeRest:
        return L10n::format(L10n::localized("视力保护休息中（%d 分钟）"), { policy.eyeRestRestMinutes });
    }
    return {};
}

} // namespace MacLockShield
