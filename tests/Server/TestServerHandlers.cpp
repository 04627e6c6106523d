#include "ApiError.h"
#include "FamilyServer.h"
#include "Protocol/WireCoding.h"
#include "ServerDatabase.h"
#include "ServerHandlers.h"
#include "ServerOptions.h"
#include "support/SettableClock.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// The server's rules, driven through its handlers on a fresh SQLite file with the clock held.
class TestServerHandlers : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_unique<SettableClock>(QDateTime(QDate(2026, 12, 6), QTime(15, 30), Qt::UTC));
        m_db = std::make_unique<ServerDatabase>(DatabaseLocation::sqlite(m_dir->filePath(u"s.sqlite3"_s)));
        QString error;
        QVERIFY2(m_db->open(&error), qPrintable(error));
        m_handlers = std::make_unique<ServerHandlers>(*m_db, ServerOptions {});
        m_code = m_handlers->families.createFamily().code;
        m_handlers->families.registerDevice(m_code, u"parent"_s, u"Mum"_s);
        m_child = m_handlers->families.registerDevice(m_code, u"child"_s, u"Ann"_s).id;
    }

    void cleanup()
    {
        m_handlers.reset();
        m_db.reset();
        m_clock.reset();
        m_dir.reset();
    }

    void codesAndDeviceIdsAreRandomAndUnique()
    {
        QSet<QString> codes { m_code };
        QSet<QString> devices;
        // Version 4 (random) UUIDs: nothing public, neither the code nor the time, leads to them.
        const QRegularExpression randomUuid(
            u"^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$"_s);
        for (int i = 0; i < 40; ++i) {
            const auto family = m_handlers->families.createFamily();
            QVERIFY2(QRegularExpression(u"^[0-9]{6}$"_s).match(family.code).hasMatch(),
                     qPrintable(family.code));
            codes.insert(family.code);
            QCOMPARE(m_handlers->families.existingFamily(family.code).id, family.id);
            const auto device = m_handlers->families.registerDevice(family.code, u"child"_s, u"C"_s).id;
            QVERIFY2(randomUuid.match(device).hasMatch(), qPrintable(device));
            devices.insert(device);
        }
        QCOMPARE(codes.size(), 41);
        QCOMPARE(devices.size(), 40);
    }

    void wrongFamilyCodeReadsAsFamilyNotFound_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("foreignFamily");
        for (const auto* operation : { "rename", "delete", "health", "devices", "register", "unlockList" }) {
            QTest::addRow("%s, unknown code", operation) << QString::fromLatin1(operation) << false;
        }
        for (const auto* operation : { "rename", "delete", "health", "decision" }) {
            QTest::addRow("%s, another family's code", operation) << QString::fromLatin1(operation) << true;
        }
        QTest::newRow("decision, unknown code") << u"decision"_s << false;
    }

    void wrongFamilyCodeReadsAsFamilyNotFound()
    {
        QFETCH(QString, operation);
        QFETCH(bool, foreignFamily);
        auto code = foreignFamily ? m_handlers->families.createFamily().code : u"000000"_s;
        if (!foreignFamily && code == m_code) {
            code = u"999999"_s;
        }
        auto& handlers = *m_handlers;
        const QHash<QString, std::function<void()>> operations {
            { u"rename"_s, [&] { handlers.families.renameDevice(m_child, code, u"X"_s); } },
            { u"delete"_s, [&] { handlers.families.deleteDevice(m_child, code); } },
            { u"health"_s, [&] { handlers.health.health(m_child, code); } },
            { u"devices"_s, [&] { handlers.families.devices(code); } },
            { u"register"_s, [&] { handlers.families.registerDevice(code, u"child"_s, u"C"_s); } },
            { u"unlockList"_s, [&] { handlers.unlockRequests.requests(code, u"pending"_s); } },
            { u"decision"_s,
              [&] {
                  const auto id = handlers.unlockRequests.requestUnlock(m_child, {}).id;
                  handlers.unlockRequests.decide(id, { u"approve"_s, std::nullopt }, code);
              } },
        };
        expectError(operations.value(operation), 404, u"family not found"_s);
        QCOMPARE(rows(u"unlock_requests"_s, u"status"_s, u"pending"_s),
                 rows(u"unlock_requests"_s, u"child_device_id"_s, m_child));
        QCOMPARE(rows(u"devices"_s, u"id"_s, m_child), 1);
        QCOMPARE(m_handlers->families.existingDevice(m_child).name, u"Ann"_s);
    }

    void badInputIsRefused_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("role unknown") << u"registerUnknown"_s << 400 << u"role"_s;
        QTest::newRow("blank name") << u"registerBlank"_s << 400 << u"name"_s;
        QTest::newRow("minute 60") << u"policyMinute"_s << 400 << u"blockedEnd"_s;
        QTest::newRow("negative usage") << u"usageNegative"_s << 400 << u"todayUsageSeconds"_s;
        QTest::newRow("bad usage date") << u"sessionsDate"_s << 400 << u"usageDate"_s;
        QTest::newRow("session start not an instant") << u"sessionsStart"_s << 400 << u"startAt"_s;
        QTest::newRow("unknown device usage") << u"usageUnknownDevice"_s << 404 << u"device not found"_s;
        QTest::newRow("parent asks to unlock") << u"parentUnlock"_s << 400 << u"child"_s;
        QTest::newRow("zero requested minutes") << u"unlockZero"_s << 400 << u"requestedMinutes"_s;
        QTest::newRow("status filter unknown") << u"listStatus"_s << 400 << u"status"_s;
        QTest::newRow("101st device") << u"registerBeyondLimit"_s << 409 << u"at most 100 devices"_s;
    }

    void badInputIsRefused()
    {
        QFETCH(QString, operation);
        QFETCH(int, status);
        QFETCH(QString, text);
        auto& h = *m_handlers;
        const auto parent = h.families.devices(m_code).constFirst().id;
        auto policy = UpsertPolicyPayload { PolicyRepository::defaultPolicy(), {} };
        const UsageSessionPayload session { u"2026-12-06T01:00:00.000Z"_s, u"2026-12-06T01:01:00.000Z"_s,
                                            u"a"_s, 60 };
        const QHash<QString, std::function<void()>> operations {
            { u"registerUnknown"_s, [&] { h.families.registerDevice(m_code, u"unknown"_s, u"C"_s); } },
            { u"registerBlank"_s, [&] { h.families.registerDevice(m_code, u"child"_s, u"  "_s); } },
            { u"policyMinute"_s,
              [&] {
                  policy.policy.blockedEnd.minute = 60;
                  h.policies.putPolicy(m_child, policy);
              } },
            { u"usageNegative"_s, [&] { h.usage.reportTodayUsage(m_child, -1, std::nullopt); } },
            { u"sessionsDate"_s,
              [&] { h.usage.upsertSessions(m_child, u"2026-13-01"_s, u"mac"_s, { session }); } },
            { u"sessionsStart"_s,
              [&] {
                  auto bad = session;
                  bad.startAt = u"yesterday"_s;
                  h.usage.upsertSessions(m_child, u"2026-12-06"_s, u"mac"_s, { bad });
              } },
            { u"usageUnknownDevice"_s, [&] { h.usage.todayUsage(u"no-such-device"_s); } },
            { u"parentUnlock"_s, [&] { h.unlockRequests.requestUnlock(parent, {}); } },
            { u"unlockZero"_s,
              [&] {
                  h.unlockRequests.requestUnlock(m_child, { 0, std::nullopt });
              } },
            { u"listStatus"_s, [&] { h.unlockRequests.requests(m_code, u"open"_s); } },
            { u"registerBeyondLimit"_s,
              [&] {
                  while (h.families.devices(m_code).size() < FamilyHandler::maximumDevicesPerFamily) {
                      h.families.registerDevice(m_code, u"child"_s, u"C"_s);
                  }
                  h.families.registerDevice(m_code, u"child"_s, u"C"_s);
              } },
        };
        QVERIFY(operations.contains(operation));
        expectError(operations.value(operation), status, text);
        QCOMPARE(rows(u"device_policies"_s, u"device_id"_s, m_child), 0);
        QCOMPARE(rows(u"usage_sessions"_s, u"device_id"_s, m_child), 0);
        QCOMPARE(rows(u"unlock_requests"_s, u"family_id"_s, h.families.existingFamily(m_code).id), 0);
    }

    void supervisionReadiness_data()
    {
        QTest::addColumn<PutDeviceHealthPayload>("report");
        QTest::addColumn<bool>("ready");
        const PutDeviceHealthPayload all { true,     true,    true,         true, u"mac"_s,
                                           u"1.0"_s, u"14"_s, std::nullopt, true };
        QTest::newRow("everything granted") << all << true;
        auto report = all;
        report.overlayOk = false;
        QTest::newRow("no overlay") << report << false;
        report = all;
        report.managedSelectionOk = false;
        QTest::newRow("no apps chosen") << report << false;
        report = all;
        report.managedSelectionOk.reset();
        QTest::newRow("selection not reported") << report << true;
        report.familyControlsOk = false;
        QTest::newRow("family controls refused") << report << false;
    }

    void supervisionReadiness()
    {
        QFETCH(PutDeviceHealthPayload, report);
        QFETCH(bool, ready);
        QCOMPARE(m_handlers->health.putHealth(m_child, report).supervisionReady, std::optional(ready));
        QCOMPARE(m_handlers->health.health(m_child, m_code).supervisionReady, std::optional(ready));
    }

    void logLinesMaskCodesAndIdentifiers()
    {
        const QUrl url(u"http://h/api/v1/families/123456/devices?x=1"_s);
        const auto line = FamilyServer::logLine(QHttpServerRequest::Method::Get, url, 200, 1.25);
        QCOMPARE(line, u"GET /api/v1/families/******/devices?x=1 200 1.3ms"_s);
        const auto deviceLine
            = FamilyServer::logLine(QHttpServerRequest::Method::Delete,
                                    QUrl(u"http://h/api/v1/devices/abcdef-123?familyCode=654321"_s), 204, 0);
        QVERIFY2(!deviceLine.contains(u"654321"_s) && !deviceLine.contains(u"abcdef-123"_s),
                 qPrintable(deviceLine));
    }

private:
    // Expects `work` to throw an ApiError with `status` whose message contains `text`.
    static void expectError(const std::function<void()>& work, int status, const QString& text)
    {
        try {
            work();
        } catch (const ApiError& error) {
            QCOMPARE(error.status(), status);
            QVERIFY2(error.message().contains(text), qPrintable(error.message()));
            return;
        }
        QFAIL("no error raised");
    }

    int rows(const QString& table, const QString& column, const QString& id)
    {
        auto& query = m_db->exec(u"SELECT COUNT(*) FROM %1 WHERE %2 = ?"_s.arg(table, column), { id });
        return query.next() ? query.value(0).toInt() : -1;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettableClock> m_clock;
    std::unique_ptr<ServerDatabase> m_db;
    std::unique_ptr<ServerHandlers> m_handlers;
    QString m_code;
    QString m_child;
};

QTEST_GUILESS_MAIN(TestServerHandlers)
#include "TestServerHandlers.moc"
