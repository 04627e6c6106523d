#include "Models/RemoteBackendConfig.h"
#include "Services/ParentDashboardViewModel.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The parent dashboard's status headline and its unlock-request watch, against the real server.
class TestParentDashboard : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        LoopbackFamilyServer::Setup setup;
        setup.unlockRequestsPerHour = 50;
        m_family = std::make_unique<ParentFamilyFixture>(setup);
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
    }

    void cleanup() { m_family.reset(); }

    void headlineCountsChildrenNotRequests()
    {
        ParentDashboardViewModel model(*m_family->config);
        fillFromServer(model);
        QCOMPARE(model.statusHeadline(), u"孩子设备状态"_s);

        m_family->requestUnlock(m_family->annID, 10);
        m_family->requestUnlock(m_family->annID, 20);
        m_family->requestUnlock(m_family->annID, std::nullopt);
        fillFromServer(model);
        QCOMPARE(model.homePendingUnlockRequests().size(), 3);
        QCOMPARE(model.statusHeadline(), u"有 1 个孩子在申请加时"_s);

        m_family->requestUnlock(m_family->benID, 5);
        fillFromServer(model);
        QCOMPARE(model.statusHeadline(), u"有 2 个孩子在申请加时"_s);
        QVERIFY(model.hasPendingUnlockRequest(m_family->benID));
        QVERIFY(!model.hasPendingUnlockRequest(m_family->parentID));

        // A request of a device the list does not hold (removed since) is not counted.
        auto devices = model.childDevices();
        devices.removeIf([&](const DeviceListItem& device) { return device.id == m_family->benID; });
        model.setChildDevices(devices);
        QCOMPARE(model.statusHeadline(), u"有 1 个孩子在申请加时"_s);
    }

    void watchNotifiesOnlyOnARiseAfterTheBaseline()
    {
        ParentDashboardViewModel model(*m_family->config);
        QList<qint64> notified;
        model.setNotify([&notified](qint64 count) -> QCoro::Task<void> {
            notified.append(count);
            co_return;
        });
        model.setWatchPeriod(std::chrono::milliseconds(30));
        QSignalSpy polls(&model, &ParentDashboardViewModel::watchPolled);

        // Already pending when the dashboard appears: the baseline, no notification.
        m_family->requestUnlock(m_family->annID, 10);
        model.startWatching();
        QTRY_VERIFY(polls.count() >= 2);
        QCOMPARE(polls.first().first().toLongLong(), 1);
        QVERIFY(notified.isEmpty());

        m_family->requestUnlock(m_family->benID, 10);
        QTRY_COMPARE(notified, (QList<qint64> { 2 }));

        // A fall only lowers the baseline; the next rise from there notifies again.
        AwaitTask::run(
            m_family->client->decideUnlockRequest(pendingRequestOf(m_family->annID), u"reject"_s, {}));
        polls.clear();
        QTRY_VERIFY(!polls.isEmpty() && polls.last().first().toLongLong() == 1);
        QCOMPARE(notified, (QList<qint64> { 2 }));
        m_family->requestUnlock(m_family->annID, 10);
        QTRY_COMPARE(notified, (QList<qint64> { 2, 2 }));

        // Off screen nothing is polled; back on screen the first poll is a new baseline.
        model.stopWatching();
        QTest::qWait(100);
        polls.clear();
        QTest::qWait(150);
        QVERIFY(polls.isEmpty());
        m_family->requestUnlock(m_family->benID, 10);
        model.startWatching();
        QTRY_VERIFY(polls.count() >= 2);
        QCOMPARE(polls.first().first().toLongLong(), 3);
        QCOMPARE(notified, (QList<qint64> { 2, 2 }));
        model.stopWatching();
        QTRY_VERIFY(!model.isPolling());
    }

    void watchSkipsPollsWithoutAFamily()
    {
        ParentDashboardViewModel model(*m_family->config);
        QList<qint64> notified;
        model.setNotify([&notified](qint64 count) -> QCoro::Task<void> {
            notified.append(count);
            co_return;
        });
        model.setWatchPeriod(std::chrono::milliseconds(30));
        QSignalSpy polls(&model, &ParentDashboardViewModel::watchPolled);
        m_family->config->setFamilyCode(QString());
        model.startWatching();
        QTest::qWait(150);
        QVERIFY(polls.isEmpty());

        // The skipped polls set no baseline: the first real one does, even with requests pending.
        m_family->requestUnlock(m_family->annID, 10);
        m_family->config->setFamilyCode(m_family->familyCode);
        QTRY_VERIFY(polls.count() >= 2);
        QVERIFY(notified.isEmpty());

        // A server that stops answering keeps the baseline: a rise after it comes back notifies.
        m_family->config->setBaseURLOverride(u"http://127.0.0.1:1"_s);
        QTest::qWait(150);
        polls.clear();
        m_family->requestUnlock(m_family->benID, 10);
        m_family->config->setBaseURLOverride(m_family->server->baseUrl());
        QTRY_COMPARE(notified, (QList<qint64> { 2 }));
        model.stopWatching();
        QTRY_VERIFY(!model.isPolling());
    }

private:
    // The dashboard's inputs as the home screen would fill them from the server.
    void fillFromServer(ParentDashboardViewModel& model)
    {
        const auto devices = AwaitTask::run(m_family->client->fetchDevices(m_family->familyCode));
        const auto requests
            = AwaitTask::run(m_family->client->fetchUnlockRequests(m_family->familyCode, u"pending"_s));
        QVERIFY(devices.value && requests.value);
        model.setChildDevices(*devices.value);
        model.setHomePendingUnlockRequests(*requests.value);
    }

    QString pendingRequestOf(const QString& childID) const
    {
        const auto requests
            = AwaitTask::run(m_family->client->fetchUnlockRequests(m_family->familyCode, u"pending"_s));
        for (const auto& request : requests.value.value_or(QList<UnlockRequest> {})) {
            if (request.childDeviceId == childID) {
                return request.id;
            }
        }
        return {};
    }

    std::unique_ptr<ParentFamilyFixture> m_family;
};

QTEST_GUILESS_MAIN(TestParentDashboard)
#include "TestParentDashboard.moc"
