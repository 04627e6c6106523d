#include "Services/MacRemotePolicySyncService.h"
#include "Services/Network/RemoteAPIClient.h"
#include "support/AwaitTask.h"
#include "support/ChildComputer.h"
#include "support/RecordingHTTPServer.h"
#include "support/RecordingOverlay.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Answer = RecordingHTTPServer::Answer;

Q_DECLARE_METATYPE(RecordingHTTPServer::Answer)

namespace {
const QDateTime kNoon(QDate(2026, 3, 10), QTime(12, 0), QTimeZone::utc());

QByteArray policyBody(const QJsonObject& policy)
{
    return QJsonDocument(QJsonObject { { u"deviceId"_s, u"dev-1"_s },
                                       { u"policy"_s, policy },
                                       { u"selection"_s, QJsonObject {} } })
        .toJson(QJsonDocument::Compact);
}

QJsonObject policyJson(bool withForceLock, bool forceLocked,
                       std::optional<QString> unlockUntil = std::nullopt)
{
    QJsonObject policy { { u"dailyLimitMinutes"_s, 90 },
                         { u"blockedStart"_s, QJsonObject { { u"hour"_s, 21 }, { u"minute"_s, 30 } } },
                         { u"blockedEnd"_s, QJsonObject { { u"hour"_s, 7 }, { u"minute"_s, 0 } } } };
    if (withForceLock) {
        policy.insert(u"forceLocked"_s, forceLocked);
    }
    if (unlockUntil) {
        policy.insert(u"unlockUntil"_s, *unlockUntil);
    }
    return policy;
}

Answer usage(qint64 seconds)
{
    return RecordingHTTPServer::json(200, "{\"todayUsageSeconds\":" + QByteArray::number(seconds) + "}");
}
} // namespace

class TestMacRemotePolicySyncService : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingHTTPServer> m_server;
    std::unique_ptr<ChildComputer> m_child;
    RecordingOverlay m_overlay;

    void runCycle()
    {
        AwaitTask::run(MacRemotePolicySyncService::syncIfChild(
            m_child->config, m_child->policies, *m_child->selection, *m_child->monitor, m_child->workspace,
            m_child->bundle, &m_overlay));
        QCoreApplication::processEvents(); // the overlay is driven after the cycle
    }

    QList<QByteArray> requestLines() const
    {
        QList<QByteArray> lines;
        for (const auto& request : m_server->requests()) {
            lines.append(request.method + ' ' + request.path());
        }
        return lines;
    }

    QJsonObject bodyOf(const QByteArray& method, const QByteArray& pathEnd) const
    {
        for (const auto& request : m_server->requests()) {
            if (request.method == method && request.path().endsWith(pathEnd)) {
                return QJsonDocument::fromJson(request.body).object();
            }
        }
        return {};
    }

private slots:
    void init()
    {
        m_server = std::make_unique<RecordingHTTPServer>();
        QVERIFY(m_server->listen());
        RemoteAPIClient::setDefaultRequestTimeout(std::chrono::milliseconds(400));
        m_child = std::make_unique<ChildComputer>(kNoon, m_server->baseURLString());
        m_child->policies.update([](ScreenTimePolicy& policy) {
            policy.eyeRestIntervalMinutes = 30;
            policy.eyeRestRestMinutes = 5;
            policy.unlockUntil = kNoon.addSecs(3600);
        });
        m_overlay.calls.clear();
    }

    void cleanup()
    {
        m_child.reset();
        m_server.reset();
        RemoteAPIClient::setDefaultRequestTimeout(RemoteAPIClient::standardRequestTimeout);
    }

    void fullCycle()
    {
        m_child->monitor->raiseTodayUsage(600);
        m_child->workspace.mode = EnforcementMode::processOnly;
        m_server->enqueue(RecordingHTTPServer::json(200, policyBody(policyJson(false, false))));
        m_server->enqueue(usage(300));
        runCycle();
        QCOMPARE(requestLines(),
                 (QList<QByteArray> {
                     "GET /api/v1/devices/dev-1/policy", "GET /api/v1/devices/dev-1/usage/today",
                     "PUT /api/v1/devices/dev-1/health", "PUT /api/v1/devices/dev-1/usage/today" }));
        const auto policy = m_child->policies.policy();
        QCOMPARE(policy.dailyLimitMinutes, 90);
        QCOMPARE(policy.blockedStart, (DateComponents { 21, 30 }));
        QCOMPARE(policy.blockedEnd, (DateComponents { 7, 0 }));
        QVERIFY(!policy.forceLocked); // missing means false
        QVERIFY(!policy.unlockUntil); // missing removes the local unlock
        QCOMPARE(policy.eyeRestIntervalMinutes, 30); // local eye rest kept
        QCOMPARE(policy.eyeRestRestMinutes, 5);
        QCOMPARE(m_child->monitor->todayUsageSeconds(), 600); // a lower server count is ignored
        QVERIFY(m_child->monitor->isRunning());
        QCOMPARE(m_overlay.calls, QStringList { u"hide"_s });
        const auto health = bodyOf("PUT", "/health");
        QCOMPARE(health.value(u"platform"_s).toString(), u"mac"_s);
        QCOMPARE(health.value(u"appVersion"_s).toString(), u"1.0.0"_s);
        QCOMPARE(health.value(u"osVersion"_s).toString(), u"Test OS 1.0"_s);
        QCOMPARE(health.value(u"managedSelectionOk"_s), QJsonValue(true));
        QCOMPARE(health.value(u"enforcementMode"_s).toString(), u"processOnly"_s);
        QVERIFY(!health.contains(u"familyControlsOk"_s));
        QCOMPARE(bodyOf("PUT", "/usage/today").value(u"todayUsageSeconds"_s).toInteger(), 600);
    }

    void lockReasonsDriveTheOverlay_data()
    {
        QTest::addColumn<QJsonObject>("policy");
        QTest::addColumn<QStringList>("calls");
        // Minutes from now to the end of a lift a parent granted at this computer (0: none). A
        // family whose rules only parents write keeps its lock at the server meanwhile.
        QTest::addColumn<int>("liftedForMinutes");
        const QStringList locked { u"targets:com.example.game"_s, u"show:forceLocked"_s };
        auto limit = policyJson(true, false);
        limit.insert(u"dailyLimitMinutes"_s, 2);
        QTest::newRow("daily limit") << limit << QStringList { u"targets:com.example.game"_s, u"appBlock"_s }
                                     << 0;
        QTest::newRow("lifted here, locked at the server")
            << policyJson(true, true) << QStringList { u"hide"_s } << 15;
        QTest::newRow("lift here over") << policyJson(true, true) << locked << -1;
    }

    void lockReasonsDriveTheOverlay()
    {
        QFETCH(QJsonObject, policy);
        QFETCH(QStringList, calls);
        QFETCH(int, liftedForMinutes);
        MacRemotePolicySyncService::setLocalUnlockUntil(
            liftedForMinutes ? kNoon.addSecs(liftedForMinutes * 60) : QDateTime());
        const auto noLift = qScopeGuard([] { MacRemotePolicySyncService::setLocalUnlockUntil({}); });
        m_server->enqueue(RecordingHTTPServer::json(200, policyBody(policy)));
        m_server->enqueue(usage(150)); // higher: taken over, 2 minutes
        runCycle();
        QCOMPARE(m_child->monitor->todayUsageSeconds(), 150);
        QCOMPARE(m_child->monitor->todayUsageMinutes(), 2);
        QCOMPARE(m_overlay.calls, calls);
    }

    // The server counts by its own day. Cycles one hour apart from 23:30 on this computer: a count
    // is taken over only when it is of this computer's day, whichever side of midnight the
    // server's zone puts it.
    void serverCountOnlyForTheLocalDay_data()
    {
        QTest::addColumn<QStringList>("serverDays");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("same day") << QStringList { u"2026-03-10"_s } << qint64(5000);
        QTest::newRow("server behind, after midnight")
            << QStringList { u"2026-03-10"_s, u"2026-03-10"_s } << qint64(0);
        QTest::newRow("server behind, its midnight too")
            << QStringList { u"2026-03-10"_s, u"2026-03-10"_s, u"2026-03-11"_s } << qint64(5000);
        QTest::newRow("server ahead, after midnight")
            << QStringList { u"2026-03-11"_s, u"2026-03-11"_s } << qint64(0);
        QTest::newRow("server ahead, once this day was reported")
            << QStringList { u"2026-03-11"_s, u"2026-03-11"_s, u"2026-03-11"_s } << qint64(5000);
        QTest::newRow("no day given") << QStringList { QString(), QString() } << qint64(5000);
    }

    void serverCountOnlyForTheLocalDay()
    {
        QFETCH(QStringList, serverDays);
        QFETCH(qint64, seconds);
        m_child->clock.setTimeZone(QTimeZone(8 * 3600));
        m_child->clock.setLocal(QDate(2026, 3, 10), QTime(23, 30));
        for (const auto& day : serverDays) {
            m_server->enqueue(RecordingHTTPServer::json(200, policyBody(policyJson(false, false))));
            QJsonObject answer { { u"todayUsageSeconds"_s, 5000 } };
            if (!day.isEmpty()) {
                answer.insert(u"usageDate"_s, day);
            }
            m_server->enqueue(RecordingHTTPServer::json(200, QJsonDocument(answer).toJson()));
            runCycle();
            m_child->clock.advance(3600);
        }
        QCOMPARE(m_child->monitor->todayUsageSeconds(), seconds);
    }

    void failuresAndRetry_data()
    {
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<int>("policyRequests");
        QTest::addColumn<bool>("applied");
        const auto good = RecordingHTTPServer::json(200, policyBody(policyJson(true, true)));
        QTest::newRow("time-out, then success")
            << QList<Answer> { RecordingHTTPServer::neverAnswer(), good } << 2 << true;
        QTest::newRow("status 500: no retry")
            << QList<Answer> { RecordingHTTPServer::json(500, "{\"error\":\"boom\"}"), good } << 1 << false;
        QTest::newRow("two time-outs")
            << QList<Answer> { RecordingHTTPServer::neverAnswer(), RecordingHTTPServer::neverAnswer() } << 2
            << false;
        QTest::newRow("malformed policy")
            << QList<Answer> { RecordingHTTPServer::json(200, "{\"policy\":7}") } << 1 << false;
    }

    void failuresAndRetry()
    {
        QFETCH(QList<Answer>, answers);
        QFETCH(int, policyRequests);
        QFETCH(bool, applied);
        for (const auto& answer : answers) {
            m_server->enqueue(answer);
        }
        const auto before = m_child->policies.policy();
        runCycle();
        int policyCalls = 0;
        for (const auto& line : requestLines()) {
            policyCalls += line.endsWith("/policy") ? 1 : 0;
        }
        QCOMPARE(policyCalls, policyRequests);
        if (applied) {
            QVERIFY(m_child->policies.policy().forceLocked);
            QCOMPARE(m_overlay.calls.last(), u"show:forceLocked"_s);
        } else {
            QCOMPARE(m_child->policies.policy(), before);
            QVERIFY(m_overlay.calls.isEmpty());
            QCOMPARE(requestLines().size(), policyRequests); // nothing reported
            QVERIFY(!m_child->monitor->isRunning());
        }
    }

    void emptySelectionAndSessions()
    {
        m_child->selection->setPayload({});
        m_child->monitor->start({ { u"x"_s }, {}, {}, u"mac"_s });
        m_server->enqueue(RecordingHTTPServer::json(200, policyBody(policyJson(true, true))));
        runCycle();
        QVERIFY(!m_child->monitor->isRunning());
        QCOMPARE(bodyOf("PUT", "/health").value(u"managedSelectionOk"_s), QJsonValue(false));
        QCOMPARE(m_overlay.calls, (QStringList { u"targets:"_s, u"show:forceLocked"_s }));
        QVERIFY(!requestLines().contains("POST /api/v1/devices/dev-1/usage/sessions"));
    }

    // The day's sessions go up with the cycle, and the step under way when it starts is counted.
    void sessionsAreUploadedAndTheStepGoesOn()
    {
        m_child->workspace.frontmost
            = ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s);
        m_child->monitor->start(m_child->selection->payload());
        m_child->monitor->sample();
        m_child->clock.advance(3);
        m_child->monitor->sample();
        m_child->clock.advance(2);
        m_server->enqueue(RecordingHTTPServer::json(200, policyBody(policyJson(true, false))));
        runCycle();
        const auto sessions = bodyOf("POST", "/usage/sessions");
        QCOMPARE(sessions.value(u"usageDate"_s).toString(), u"2026-03-10"_s);
        QCOMPARE(sessions.value(u"source"_s).toString(), u"mac"_s);
        QCOMPARE(sessions.value(u"sessions"_s).toArray().size(), 1);
        QVERIFY(m_child->monitor->isRunning());
        m_child->clock.advance(1);
        m_child->monitor->sample();
        QCOMPARE(m_child->monitor->todayUsageSeconds(), 6);
    }

    void notABoundChild_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("deviceID");
        QTest::addColumn<QString>("baseURL");
        QTest::newRow("parent") << int(RemoteDeviceRole::parent) << u"dev-1"_s << QString();
        QTest::newRow("no device id") << int(RemoteDeviceRole::child) << QString() << QString();
        QTest::newRow("unusable address") << int(RemoteDeviceRole::child) << u"dev-1"_s << u"http://[::1"_s;
    }

    void notABoundChild()
    {
        QFETCH(int, role);
        QFETCH(QString, deviceID);
        QFETCH(QString, baseURL);
        m_child->config.setRole(RemoteDeviceRole(role));
        m_child->config.setDeviceID(deviceID);
        if (!baseURL.isEmpty()) {
            m_child->config.setBaseURLOverride(baseURL);
        }
        runCycle();
        QVERIFY(m_server->requests().isEmpty());
        QVERIFY(m_overlay.calls.isEmpty());
    }

    void pollingRepeats()
    {
        MacRemotePolicySyncService::setPollingPeriodForTesting(std::chrono::milliseconds(50));
        m_child->config.setRole(RemoteDeviceRole::parent); // cycles return at once; the loop goes on
        MacRemotePolicySyncService::startPolling(m_child->config, m_child->policies, *m_child->selection,
                                                 *m_child->monitor, m_child->workspace, m_child->bundle);
        QTest::qWait(200);
        QVERIFY(m_server->requests().isEmpty());
        m_child->config.setRole(RemoteDeviceRole::child);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requests().size() >= 1, 3000);
        // The loop ends with its stores.
        m_child->selection.reset();
        QTest::qWait(300);
        const auto count = m_server->requests().size();
        QTest::qWait(300);
        QCOMPARE(m_server->requests().size(), count);
        MacRemotePolicySyncService::setPollingPeriodForTesting(std::chrono::seconds(45));
    }
};

QTEST_GUILESS_MAIN(TestMacRemotePolicySyncService)
#include "TestMacRemotePolicySyncService.moc"
