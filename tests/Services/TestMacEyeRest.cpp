#include "Services/MacEyeRest.h"
#include "support/SettableClock.h"

#include <QTest>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockDecision;
using MacPolicyExecutor::LockReason;

Q_DECLARE_METATYPE(LockDecision)

namespace {
const QDateTime kNow(QDate(2026, 3, 10), QTime(12, 0), QTimeZone::utc());

ScreenTimePolicy daytimePolicy()
{
    ScreenTimePolicy policy; // 45 minutes of use, then 15 minutes of rest
    policy.blockedStart = { 22, 0 };
    policy.blockedEnd = { 6, 0 };
    return policy;
}
} // namespace

class TestMacEyeRest : public QObject
{
    Q_OBJECT

private slots:
    void rule_data()
    {
        QTest::addColumn<ScreenTimePolicy>("policy");
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<qint64>("secondsSinceLastUse");
        QTest::addColumn<qint64>("todayMinutes");
        QTest::addColumn<LockDecision>("decision");
        const auto policy = daytimePolicy();
        const LockDecision rest { true, LockReason::eyeRest };
        QTest::newRow("under the interval")
            << policy << qint64(45 * 60 - 1) << qint64(0) << qint64(0) << LockDecision {};
        QTest::newRow("interval reached") << policy << qint64(45 * 60) << qint64(0) << qint64(0) << rest;
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
        unlocked.unlockUntil = kNow.addSecs(60);
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

    void rule()
    {
        QFETCH(ScreenTimePolicy, policy);
        QFETCH(qint64, usedSeconds);
        QFETCH(qint64, secondsSinceLastUse);
        QFETCH(qint64, todayMinutes);
        QFETCH(LockDecision, decision);
        SettableClock clock(kNow);
        const MacEyeRest::Stretch stretch { usedSeconds, kNow.addSecs(-secondsSinceLastUse) };
        const auto base = MacPolicyExecutor::shouldBeLocked(policy, todayMinutes, clock);
        QCOMPARE(MacEyeRest::withEyeRest(base, policy, stretch, clock), decision);
    }

    void nothingCountedYet()
    {
        SettableClock clock(kNow);
        QCOMPARE(MacEyeRest::withEyeRest({}, daytimePolicy(), { 99 * 60, std::nullopt }, clock),
                 LockDecision {});
    }
};

QTEST_GUILESS_MAIN(TestMacEyeRest)
#include "TestMacEyeRest.moc"
