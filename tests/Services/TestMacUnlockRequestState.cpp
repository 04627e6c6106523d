#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/MacUnlockRequestState.h"
#include "support/MemoryUserDefaults.h"
#include "support/SettableClock.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// How long the child's screens say that a request is waiting.
class TestMacUnlockRequestState : public QObject
{
    Q_OBJECT

private slots:
    void waitsForAnUnlockOrAnHour_data()
    {
        QTest::addColumn<qint64>("later");
        QTest::addColumn<qint64>("unlockFor"); // 0: no new policy
        QTest::addColumn<bool>("restart");
        QTest::addColumn<bool>("pending");
        QTest::newRow("just sent") << qint64(0) << qint64(0) << false << true;
        QTest::newRow("59 minutes, after a restart") << qint64(59 * 60) << qint64(0) << true << true;
        QTest::newRow("an hour") << qint64(3600) << qint64(0) << false << false;
        QTest::newRow("a policy with a running unlock") << qint64(60) << qint64(900) << false << false;
        QTest::newRow("a policy whose unlock has ended") << qint64(60) << qint64(-1) << false << true;
    }

    void waitsForAnUnlockOrAnHour()
    {
        QFETCH(qint64, later);
        QFETCH(qint64, unlockFor);
        QFETCH(bool, restart);
        QFETCH(bool, pending);
        MemoryUserDefaults defaults;
        SettableClock clock(QDateTime(QDate(2026, 3, 10), QTime(18, 0), QTimeZone::utc()));
        ScreenTimePolicyStore policies(std::make_unique<ScreenTimePolicyRepository>());
        auto state = std::make_unique<MacUnlockRequestState>();
        state->watch(policies);
        QVERIFY(!state->isPending());
        QSignalSpy changes(state.get(), &MacUnlockRequestState::changed);
        state->markSent();
        QCOMPARE(changes.size(), 1);

        clock.advance(later);
        if (restart) {
            state = std::make_unique<MacUnlockRequestState>();
            state->watch(policies);
        }
        if (unlockFor) {
            policies.update(
                [&](ScreenTimePolicy& policy) { policy.unlockUntil = clock.now().addSecs(unlockFor); });
        }
        QCOMPARE(state->isPending(), pending);
    }
};

QTEST_GUILESS_MAIN(TestMacUnlockRequestState)
#include "TestMacUnlockRequestState.moc"
