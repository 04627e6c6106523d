#include "Models/ScreenTimePolicy.h"
#include "Services/Network/ModelPayloads.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/RemoteAPIError.h"
#include "Services/Network/UserFriendlyMessage.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The application's own backend client against the real family server on a loopback port, on
// SQLite and on PostgreSQL: a parent's family with two children, through every endpoint.
class TestRemoteClientAgainstServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { addDatabaseRows(); }

    void init()
    {
        VANTOREL_FETCH_DATABASE(database);
        LoopbackFamilyServer::Setup setup;
        setup.database = database;
        setup.timeZone = QTimeZone("Asia/Shanghai");
        m_family = std::make_unique<ParentFamilyFixture>(setup);
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
        m_clock = &m_family->clock;
        m_server = m_family->server.get();
        m_client = m_family->client.get();
        m_code = m_family->familyCode;
        m_parent = m_family->parentID;
        m_ann = m_family->annID;
        m_ben = m_family->benID;
    }

    void cleanup() { m_family.reset(); }

    void devicesAreRegisteredListedAndRenamed()
    {
        const QList<DeviceListItem> expected { { m_parent, u"妈妈的 Mac"_s, u"parent"_s },
                                               { m_ann, u"Ann"_s, u"child"_s },
                                               { m_ben, u"Ben"_s, u"child"_s } };
        QCOMPARE(value(m_client->fetchDevices(m_code)), expected);

        await(m_client->patchChildDeviceDisplayName(m_ann, m_code, u"Ann 的 MacBook"_s));
        QCOMPARE(value(m_client->fetchDevices(m_code)).at(1).name, u"Ann 的 MacBook"_s);
    }

    void policyIsWrittenAndReadBack()
    {
        const auto defaults = value(m_client->fetchPolicy(m_ann));
        QCOMPARE(defaults.deviceId, m_ann);
        QCOMPARE(defaults.policy, policyPayload(ScreenTimePolicy {}));
        QVERIFY(defaults.selection.isEmpty());

        ScreenTimePolicy policy;
        policy.dailyLimitMinutes = 45;
        policy.blockedStart = { 21, 30 };
        policy.blockedEnd = { 6, std::nullopt };
        policy.forceLocked = true;
        policy.unlockUntil = QDateTime(QDate(2026, 12, 6), QTime(10, 15), Qt::UTC);
        await(m_client->upsertPolicy(
            m_ann, policy, { { u"bundleIds"_s, QStringList { u"com.game"_s } }, { u"source"_s, u"mac"_s } }));
        const auto stored = value(m_client->fetchPolicy(m_ann));
        QCOMPARE(stored.policy, policyPayload(policy));
        QCOMPARE(stored.selection.keys(), (QStringList { u"bundleIds"_s, u"source"_s }));

        // The rule editor sends an empty selection; the lock is lifted and the unlock dropped.
        policy.forceLocked = false;
        policy.unlockUntil.reset();
        await(m_client->upsertPolicy(m_ann, policy, {}));
        const auto rewritten = value(m_client->fetchPolicy(m_ann));
        QCOMPARE(rewritten.policy.forceLocked, std::optional(false));
        QVERIFY(!rewritten.policy.unlockUntil);
        QVERIFY(rewritten.selection.isEmpty());
        QCOMPARE(value(m_client->fetchPolicy(m_ben)).policy.dailyLimitMinutes, 120);
    }

    void usageAndSessionsAreReportedAndReReported()
    {
        QCOMPARE(value(m_client->fetchTodayUsageSeconds(m_ann)), 0);
        await(m_client->reportTodayUsage(m_ann, 600, m_clock->now()));
        QCOMPARE(value(m_client->fetchTodayUsageSeconds(m_ann)), 600);
        await(m_client->reportTodayUsage(m_ann, 540, std::nullopt));
        QCOMPARE(value(m_client->fetchTodayUsageSeconds(m_ann)), 540);
        QCOMPARE(value(m_client->fetchTodayUsageSeconds(m_ben)), 0);

        auto session = [](const QString& start, const QString& end, qint64 seconds) {
            return QVariantMap { { u"startAt"_s, start },
                                 { u"endAt"_s, end },
                                 { u"appBundleId"_s, u"com.game"_s },
                                 { u"durationSeconds"_s, seconds } };
        };
        QList<QVariantMap> sessions {
            session(u"2026-12-06T08:00:00.000Z"_s, u"2026-12-06T08:10:00.000Z"_s, 600),
            session(u"2026-12-06T08:30:00.000Z"_s, u"2026-12-06T08:31:00.000Z"_s, 60)
        };
        await(m_client->upsertUsageSessions(m_ann, u"2026-12-06"_s, u"mac"_s, sessions));
        sessions[1] = session(u"2026-12-06T08:30:00.000Z"_s, u"2026-12-06T08:40:00.000Z"_s, 600);
        sessions.append(session(u"2026-12-06T08:50:00.250Z"_s, u"2026-12-06T08:51:00.250Z"_s, 60));
        await(m_client->upsertUsageSessions(m_ann, u"2026-12-06"_s, u"mac"_s, sessions));
        QCOMPARE(rows(u"usage_sessions"_s, u"device_id"_s, m_ann), 3);
        QCOMPARE(m_server
                     ->queryValue(u"SELECT SUM(duration_seconds) FROM usage_sessions WHERE device_id = ?"_s,
                                  { m_ann })
                     .toLongLong(),
                 1260);

        // 16:00 UTC is midnight in the server's zone: yesterday's count is not today's.
        m_clock->setNow(QDateTime(QDate(2026, 12, 6), QTime(16, 0), Qt::UTC));
        QCOMPARE(value(m_client->fetchTodayUsageSeconds(m_ann)), 0);
    }

    void healthMakesARoundTrip()
    {
        const auto before = value(m_client->getDeviceHealth(m_ann, m_code));
        QCOMPARE(before, DeviceHealthSnapshot {});
        PutDeviceHealthPayload report { true,  true,           true,         true, u"mac"_s,
                                        u""_s, u"Debian 12"_s, std::nullopt, true };
        report.enforcementMode = u"gnomeExtension"_s;
        await(m_client->putDeviceHealth(m_ann, report));
        auto snapshot = value(m_client->getDeviceHealth(m_ann, m_code));
        QVERIFY(snapshot.reported);
        QCOMPARE(snapshot.appVersion, std::optional(u""_s));
        QCOMPARE(snapshot.osVersion, std::optional(u"Debian 12"_s));
        QCOMPARE(snapshot.enforcementMode, std::optional(u"gnomeExtension"_s));
        QCOMPARE(snapshot.updatedAt, std::optional(u"2026-12-06T09:00:00.000Z"_s));

        // A second report replaces the first, also by what an older client leaves out.
        report.osVersion = u"Debian \"13\" {\\},NULL"_s;
        report.enforcementMode.reset();
        m_clock->advance(45);
        await(m_client->putDeviceHealth(m_ann, report));
        snapshot = value(m_client->getDeviceHealth(m_ann, m_code));
        QCOMPARE(snapshot.osVersion, std::optional(u"Debian \"13\" {\\},NULL"_s));
        QCOMPARE(snapshot.enforcementMode, std::nullopt);
        QCOMPARE(snapshot.updatedAt, std::optional(u"2026-12-06T09:00:45.000Z"_s));
        QVERIFY(!value(m_client->getDeviceHealth(m_ben, m_code)).reported);
    }

    void unlockRequestsAreLimitedApprovedAndRejected()
    {
        for (int i = 0; i < 5; ++i) {
            await(m_client->requestUnlock(m_ann, i == 0 ? std::optional<qint64>(20) : std::nullopt,
                                          i == 0 ? std::optional(u"作业写完了"_s) : std::nullopt));
            m_clock->advance(60);
        }
        const auto limited = failure(m_client->requestUnlock(m_ann, std::nullopt, std::nullopt));
        QCOMPARE(limited.status(), 429);
        await(m_client->requestUnlock(m_ben, std::nullopt, std::nullopt));

        auto pending = value(m_client->fetchUnlockRequests(m_code, u"pending"_s));
        QCOMPARE(pending.size(), 6);
        const auto annFirst = pending.at(pending.size() - 1);
        QCOMPARE(annFirst.childDeviceId, m_ann);
        QCOMPARE(annFirst.requestedMinutes, std::optional<qint64>(20));
        QCOMPARE(annFirst.reason, std::optional(u"作业写完了"_s));
        QCOMPARE(annFirst.status, u"pending"_s);

        await(m_client->upsertPolicy(m_ann, ScreenTimePolicy { 30, { 21, 0 }, { 7, 0 }, true }, {}));
        await(m_client->decideUnlockRequest(annFirst.id, u"approve"_s, 30));
        auto policy = value(m_client->fetchPolicy(m_ann)).policy;
        QCOMPARE(policy.unlockUntil, std::optional(m_clock->now().addSecs(30 * 60)));
        // The approval only adds the unlock; the parent's rules stay.
        QCOMPARE(policy.dailyLimitMinutes, 30);
        QCOMPARE(policy.forceLocked, std::optional(true));
        QCOMPARE(failure(m_client->decideUnlockRequest(annFirst.id, u"reject"_s, std::nullopt)).status(),
                 409);
        await(m_client->decideUnlockRequest(pending.at(1).id, u"approve"_s, std::nullopt));
        QCOMPARE(value(m_client->fetchPolicy(m_ann)).policy.unlockUntil,
                 std::optional(m_clock->now().addSecs(15 * 60)));
        await(m_client->decideUnlockRequest(pending.at(2).id, u"reject"_s, std::nullopt));

        QCOMPARE(value(m_client->fetchUnlockRequests(m_code, u"pending"_s)).size(), 3);
        QCOMPARE(value(m_client->fetchUnlockRequests(m_code, u"rejected"_s)).size(), 1);
        const auto decided = value(m_client->fetchUnlockRequests(m_code, u"approved"_s));
        QCOMPARE(decided.size(), 2);
        QCOMPARE(decided.at(0).decidedAt, std::optional(u"2026-12-06T09:05:00.000Z"_s));

        // The hour rolls on from the first request.
        m_clock->setNow(QDateTime(QDate(2026, 12, 6), QTime(9, 59, 59), Qt::UTC));
        QCOMPARE(failure(m_client->requestUnlock(m_ann, std::nullopt, std::nullopt)).status(), 429);
        m_clock->setNow(QDateTime(QDate(2026, 12, 6), QTime(10, 0), Qt::UTC));
        await(m_client->requestUnlock(m_ann, std::nullopt, std::nullopt));
    }

    void deletingAChildRemovesEverythingItOwned()
    {
        for (const auto& child : { m_ann, m_ben }) {
            await(m_client->upsertPolicy(child, ScreenTimePolicy {}, {}));
            await(m_client->reportTodayUsage(child, 60, std::nullopt));
            await(m_client->upsertUsageSessions(child, u"2026-12-06"_s, u"mac"_s,
                                                { { { u"startAt"_s, u"2026-12-06T08:00:00.000Z"_s },
                                                    { u"endAt"_s, u"2026-12-06T08:01:00.000Z"_s },
                                                    { u"appBundleId"_s, u"a"_s },
                                                    { u"durationSeconds"_s, 60 } } }));
            await(m_client->putDeviceHealth(child, { true, true, true, true, u"mac"_s }));
            await(m_client->requestUnlock(child, std::nullopt, std::nullopt));
        }
        await(m_client->deleteDevice(m_ann, m_code));

        QCOMPARE(value(m_client->fetchDevices(m_code)).size(), 2);
        QCOMPARE(failure(m_client->fetchPolicy(m_ann)).status(), 404);
        const QList<std::pair<QString, QString>> owned { { u"devices"_s, u"id"_s },
                                                         { u"device_policies"_s, u"device_id"_s },
                                                         { u"usage_days"_s, u"device_id"_s },
                                                         { u"usage_sessions"_s, u"device_id"_s },
                                                         { u"device_health"_s, u"device_id"_s },
                                                         { u"unlock_requests"_s, u"child_device_id"_s } };
        for (const auto& [table, column] : owned) {
            QCOMPARE(rows(table, column, m_ann), 0);
            QCOMPARE(rows(table, column, m_ben), 1);
        }
        QCOMPARE(value(m_client->fetchUnlockRequests(m_code, u"pending"_s)).size(), 1);
    }

    void feedbackIsStoredTrimmed()
    {
        await(m_client->submitFeedback(feedbackPayload(RemoteDeviceRole::child, u"bug"_s, u"  锁屏不出现  "_s,
                                                       u""_s, u"1.0.0"_s, u"Debian 12"_s, m_ann, m_code)));
        QCOMPARE(m_server->queryValue(u"SELECT content FROM feedbacks WHERE device_id = ?"_s, { m_ann })
                     .toString(),
                 u"锁屏不出现"_s);
    }

private:
    template <typename T> T value(QCoro::Task<T>&& task)
    {
        auto outcome = AwaitTask::run(std::move(task));
        if (outcome.error) {
            qWarning("backend call failed: %s", qPrintable(userFriendlyMessage(outcome.error)));
            return T {};
        }
        return *outcome.value;
    }

    void await(QCoro::Task<>&& task)
    {
        const auto outcome = AwaitTask::run(std::move(task));
        QVERIFY2(!outcome.error, qPrintable(userFriendlyMessage(outcome.error)));
    }

    // The message of the RemoteAPIError the task fails with.
    template <typename T> RemoteAPIError failure(QCoro::Task<T>&& task)
    {
        const auto outcome = AwaitTask::run(std::move(task));
        if (auto error = outcome.template errorAs<RemoteAPIError>()) {
            return *error;
        }
        return RemoteAPIError::serverError(0, u"no RemoteAPIError raised"_s);
    }

    int rows(const QString& table, const QString& column, const QString& id) const
    {
        return m_server->queryValue(u"SELECT COUNT(*) FROM %1 WHERE %2 = ?"_s.arg(table, column), { id })
            .toInt();
    }

    std::unique_ptr<ParentFamilyFixture> m_family;
    SettableClock* m_clock = nullptr;
    LoopbackFamilyServer* m_server = nullptr;
    RemoteAPIClient* m_client = nullptr;
    QString m_code;
    QString m_parent;
    QString m_ann;
    QString m_ben;
};

QTEST_GUILESS_MAIN(TestRemoteClientAgainstServer)
#include "TestRemoteClientAgainstServer.moc"
