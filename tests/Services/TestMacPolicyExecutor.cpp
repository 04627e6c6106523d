#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/MacEyeRest.h"
#include "Services/MacEyeRestSettingsViewModel.h"
#include "Services/MacPolicyExecutor.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/SettableClock.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockDecision;
using MacPolicyExecutor::LockReason;

Q_DECLARE_METATYPE(LockDecision)

namespace {
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
const QDate kDay(2026, 3, 10);

ScreenTimePolicy window(std::optional<qint64> startHour, qint64 startMinute, qint64 endHour, qint64 endMinute)
{
    ScreenTimePolicy policy;
    policy.blockedStart = { startHour, startMinute };
    policy.blockedEnd = { endHour, endMinute };
    policy.dailyLimitMinutes = kMax;
    return policy;
}

const QDateTime kEyeRestNow(QDate(2026, 3, 10), QTime(12, 0), QTimeZone::utc());

ScreenTimePolicy daytimePolicy()
{
    ScreenTimePolicy policy; // 45 minutes of use, then 15 minutes of rest
    policy.blockedStart = { 22, 0 };
    policy.blockedEnd = { 6, 0 };
    return policy;
}
} // namespace

// The lock decisions, the eye-rest break among them, its settings and what the child is shown
// while a break runs.
class TestMacPolicyExecutor : public QObject
{
    Q_OBJECT

private slots:
    void blockedPeriod_data()
    {
        QTest::addColumn<ScreenTimePolicy>("policy");
        QTest::addColumn<QTime>("at");
        QTest::addColumn<bool>("blocked");
        const auto day = window(9, 0, 17, 0);
        QTest::newRow("day 09:00") << day << QTime(9, 0) << true;
        QTest::newRow("day 17:00") << day << QTime(17, 0) << false;
        const auto night = window(22, 30, 6, 15);
        QTest::newRow("night 22:29") << night << QTime(22, 29) << false;
        QTest::newRow("night 22:30") << night << QTime(22, 30) << true;
        QTest::newRow("night 06:14") << night << QTime(6, 14) << true;
        QTest::newRow("night 06:15") << night << QTime(6, 15) << false;
        QTest::newRow("empty window") << window(22, 0, 22, 0) << QTime(22, 0) << false;
        QTest::newRow("missing start hour reads 20")
            << window(std::nullopt, 30, 8, 0) << QTime(20, 30) << true;
        QTest::newRow("missing start hour, before")
            << window(std::nullopt, 30, 8, 0) << QTime(20, 29) << false;
        // Out-of-range components saturate instead of overflowing.
        QTest::newRow("huge end hour") << window(9, 0, kMax, kMax) << QTime(23, 59) << true;
        QTest::newRow("huge start hour") << window(kMax, 0, 8, 0) << QTime(7, 0) << true;
        QTest::newRow("hugely negative start") << window(kMin, kMin, 8, 0) << QTime(12, 0) << false;
        QTest::newRow("minute overflow after hour") << window(0, 0, kMax / 60, kMax) << QTime(12, 0) << true;
    }

    void blockedPeriod()
    {
        QFETCH(ScreenTimePolicy, policy);
        QFETCH(QTime, at);
        QFETCH(bool, blocked);
        const SettableClock clock(QDateTime(kDay, at, Qt::UTC));
        const auto decision = MacPolicyExecutor::shouldBeLocked(policy, 0);
        QCOMPARE(decision.locked, blocked);
        QCOMPARE(decision.reason, blocked ? std::optional(LockReason::blockedPeriod) : std::nullopt);
    }

    void ruleOrder_data()
    {
        QTest::addColumn<ScreenTimePolicy>("policy");
        QTest::addColumn<qint64>("usage");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<std::optional<LockReason>>("reason");
        const QDateTime noon(kDay, QTime(12, 0), Qt::UTC);
        const QDateTime night(kDay, QTime(21, 0), Qt::UTC);

        ScreenTimePolicy unlocked;
        unlocked.forceLocked = true;
        unlocked.dailyLimitMinutes = 10;
        unlocked.unlockUntil = night.addSecs(1);
        QTest::newRow("unlock one second ahead beats everything")
            << unlocked << qint64(500) << night << std::optional<LockReason>();
        QTest::newRow("unlock ends at its instant")
            << unlocked << qint64(0) << night.addSecs(1) << std::optional(LockReason::forceLocked);
        auto expired = unlocked;
        expired.forceLocked = false;
        expired.unlockUntil = night.addSecs(-60);
        QTest::newRow("past unlock ignored")
            << expired << qint64(0) << night << std::optional(LockReason::blockedPeriod);

        ScreenTimePolicy forced;
        forced.forceLocked = true;
        QTest::newRow("immediate lock beats blocked period and limit")
            << forced << qint64(1000) << night << std::optional(LockReason::forceLocked);

        ScreenTimePolicy limit;
        QTest::newRow("blocked period beats limit")
            << limit << qint64(500) << night << std::optional(LockReason::blockedPeriod);
        QTest::newRow("usage equal to limit")
            << limit << qint64(120) << noon << std::optional(LockReason::dailyLimit);
        QTest::newRow("one minute less") << limit << qint64(119) << noon << std::optional<LockReason>();
        auto zero = limit;
        zero.dailyLimitMinutes = 0;
        QTest::newRow("zero limit, no usage")
            << zero << qint64(0) << noon << std::optional(LockReason::dailyLimit);
        auto negative = limit;
        negative.dailyLimitMinutes = kMin;
        QTest::newRow("most negative limit")
            << negative << kMin << noon << std::optional(LockReason::dailyLimit);
        auto maximal = limit;
        maximal.dailyLimitMinutes = kMax;
        QTest::newRow("maximal limit") << maximal << kMax - 1 << noon << std::optional<LockReason>();
    }

    void ruleOrder()
    {
        QFETCH(ScreenTimePolicy, policy);
        QFETCH(qint64, usage);
        QFETCH(QDateTime, now);
        QFETCH(std::optional<LockReason>, reason);
        const SettableClock clock(now);
        const auto decision = MacPolicyExecutor::shouldBeLocked(policy, usage);
        QCOMPARE(decision.reason, reason);
        QCOMPARE(decision.locked, reason.has_value());
    }

    // The blocked period follows the local wall clock, not UTC.
    void blockedPeriodUsesTheLocalZone()
    {
        const SettableClock clock(QDateTime(kDay, QTime(12, 30), Qt::UTC), QTimeZone("Asia/Shanghai"));
        QCOMPARE(MacPolicyExecutor::shouldBeLocked(ScreenTimePolicy {}, 0).reason, LockReason::blockedPeriod);
    }

    void eyeRest_data()
    {
        QTest::addColumn<ScreenTimePolicy>("policy");
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<qint64>("secondsSinceLastUse"); // -1: nothing counted yet
        QTest::addColumn<qint64>("todayMinutes");
        QTest::addColumn<LockDecision>("decision");
        const auto policy = daytimePolicy();
        const LockDecision rest { true, LockReason::eyeRest };
        QTest::newRow("under the interval")
            << policy << qint64(45 * 60 - 1) << qint64(0) << qint64(0) << LockDecision {};
        QTest::newRow("interval reached") << policy << qint64(45 * 60) << qint64(0) << qint64(0) << rest;
        QTest::newRow("nothing counted")
            << policy << qint64(99 * 60) << qint64(-1) << qint64(0) << LockDecision {};
        QTest::newRow("break not over")
            << policy << qint64(50 * 60) << qint64(15 * 60 - 1) << qint64(0) << rest;
        QTest::newRow("break over") << policy << qint64(50 * 60) << qint64(15 * 60) << qint64(0)
                                    << LockDecision {};
        QTest::newRow("daily limit comes first") << policy << qint64(50 * 60) << qint64(0) << qint64(120)
                                                 << LockDecision { true, LockReason::dailyLimit };
        auto forced = policy;
        forced.forceLocked = true;
        QTest::newRow("immediate lock comes first") << forced << qint64(50 * 60) << qint64(0) << qint64(0)
                                                    << LockDecision { true, LockReason::forceLocked };
        auto unlocked = policy;
        unlocked.unlockUntil = kEyeRestNow.addSecs(60);
        QTest::newRow("temporary unlock overrides")
            << unlocked << qint64(50 * 60) << qint64(0) << qint64(0) << LockDecision {};
        auto off = policy;
        off.eyeRestIntervalMinutes = 0;
        QTest::newRow("zero interval disables")
            << off << qint64(99 * 60) << qint64(0) << qint64(0) << LockDecision {};
        auto noRest = policy;
        noRest.eyeRestRestMinutes = 0;
        QTest::newRow("zero rest disables")
            << noRest << qint64(99 * 60) << qint64(0) << qint64(0) << LockDecision {};
        auto huge = policy;
        huge.eyeRestIntervalMinutes = std::numeric_limits<qint64>::max();
        QTest::newRow("huge interval never fires")
            << huge << std::numeric_limits<qint64>::max() - 1 << qint64(0) << qint64(0) << LockDecision {};
    }

    void eyeRest()
    {
        QFETCH(ScreenTimePolicy, policy);
        QFETCH(qint64, usedSeconds);
        QFETCH(qint64, secondsSinceLastUse);
        QFETCH(qint64, todayMinutes);
        QFETCH(LockDecision, decision);
        SettableClock clock(kEyeRestNow);
        const MacEyeRest::Stretch stretch { usedSeconds,
                                            secondsSinceLastUse < 0
                                                ? std::nullopt
                                                : std::optional(kEyeRestNow.addSecs(-secondsSinceLastUse)) };
        const auto base = MacPolicyExecutor::shouldBeLocked(policy, todayMinutes, clock);
        QCOMPARE(MacEyeRest::withEyeRest(base, policy, stretch, clock), decision);
    }

    // The rhythm stays on this computer; only its parent password changes it.
    void settingsNeedTheParentPassword_data()
    {
        QTest::addColumn<bool>("hasPassword");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint64>("storedInterval");
        QTest::addColumn<qint64>("storedRest");
        const auto right = u"妈妈的密码"_s;
        QTest::newRow("no password set here")
            << false << right << true << qint64(60)
            << u"本机还没有设置家长密码。请先在「身份 / 基础设置」中设置家长密码，再修改视力保护。"_s
            << qint64(45) << qint64(15);
        QTest::newRow("wrong password")
            << true << u"猜的"_s << true << qint64(60) << u"密码错误，请重试"_s << qint64(45) << qint64(15);
        QTest::newRow("interval out of range")
            << true << right << true << qint64(5)
            << u"连续使用时长须在 10 到 240 分钟之间，休息时长须在 1 到 60 分钟之间。"_s << qint64(45)
            << qint64(15);
        QTest::newRow("new rhythm") << true << right << true << qint64(60) << QString() << qint64(60)
                                    << qint64(10);
        QTest::newRow("switched off")
            << true << right << false << qint64(60) << QString() << qint64(0) << qint64(15);
    }

    void settingsNeedTheParentPassword()
    {
        QFETCH(bool, hasPassword);
        QFETCH(QString, password);
        QFETCH(bool, enabled);
        QFETCH(qint64, interval);
        QFETCH(QString, error);
        QFETCH(qint64, storedInterval);
        QFETCH(qint64, storedRest);
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>(), keychain, defaults);
        if (hasPassword) {
            passwords.setupPassword(u"妈妈的密码"_s);
        }
        ScreenTimePolicyStore policies(std::make_unique<ScreenTimePolicyRepository>(
            ScreenTimePolicyRepository::defaultStorageKey(), defaults));
        MacEyeRestSettingsViewModel model(policies, passwords);
        QCOMPARE(model.save(password, enabled, interval, 10).value_or(QString()), error);
        QCOMPARE(policies.policy().eyeRestIntervalMinutes, storedInterval);
        QCOMPARE(policies.policy().eyeRestRestMinutes, storedRest);
    }

    // While a break runs the child sees why and for how long; a minute begun counts as a minute.
    void breakStatus_data()
    {
        QTest::addColumn<qint64>("secondsSinceLastUse");
        QTest::addColumn<QString>("text");
        QTest::newRow("last seconds")
            << qint64(15 * 60 - 1) << u"视力保护休息中（15 分钟）\n休息还剩 1 分钟"_s;
        QTest::newRow("over") << qint64(15 * 60) << QString();
    }

    void breakStatus()
    {
        QFETCH(qint64, secondsSinceLastUse);
        QFETCH(QString, text);
        MemoryUserDefaults defaults; // the language setting
        const auto policy = daytimePolicy();
        const auto left = MacEyeRest::secondsOfBreakLeft(
            policy, { 45 * 60, kEyeRestNow.addSecs(-secondsSinceLastUse) }, kEyeRestNow);
        QCOMPARE(left ? MacEyeRest::breakStatusText(policy, *left) : QString(), text);
    }
};

Q_DECLARE_METATYPE(std::optional<MacPolicyExecutor::LockReason>)
QTEST_GUILESS_MAIN(TestMacPolicyExecutor)
#include "TestMacPolicyExecutor.moc"
