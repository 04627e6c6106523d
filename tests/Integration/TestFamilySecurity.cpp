#include "support/LoopbackFamilyServer.h"
#include "support/SettableClock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Parent-only writes over real HTTP: once a parent computer has shown its device token, a child's
// token, another family's parent or no token at all cannot change rules, decide requests or read
// the family; a second parent joins only with a one-time invitation; errors come in the language
// the request asks for. A family that never saw a parent's token keeps the plain contract.
class TestFamilySecurity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { addDatabaseRows(); }

    void init()
    {
        VANTOREL_FETCH_DATABASE(database);
        m_clock
            = std::make_unique<SettableClock>(QDateTime(QDate(2026, 12, 4), QTime(10, 0), QTimeZone::utc()));
        LoopbackFamilyServer::Setup setup;
        setup.database = database;
        m_server = std::make_unique<LoopbackFamilyServer>(setup);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        m_code = m_server->call("POST", u"/api/v1/families"_s).json().value(u"familyCode"_s).toString();
        m_otherCode = m_server->call("POST", u"/api/v1/families"_s).json().value(u"familyCode"_s).toString();
        m_parent = registerDevice(m_code, u"parent"_s);
        m_child = registerDevice(m_code, u"child"_s);
        m_otherParent = registerDevice(m_otherCode, u"parent"_s);
        QCOMPARE(m_parent.token.size(), 43); // 256 bits, base64url without padding
        QVERIFY(m_child.token != m_parent.token);
        const auto filed = m_server->call("POST", expand(u"/api/v1/devices/{child}/unlock-requests"_s), "{}");
        QCOMPARE(filed.status, 201);
        m_request = filed.json().value(u"id"_s).toString();
    }

    void cleanup()
    {
        m_server.reset();
        m_clock.reset();
    }

    void whoMayDoWhat_data()
    {
        QTest::addColumn<bool>("secured");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("caller");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");

        const QByteArray approve = R"({"action":"approve","extendMinutes":1440})";
        const QByteArray policy
            = R"({"policy":{"dailyLimitMinutes":1440,"blockedStart":{"hour":0,"minute":0},)"
              R"("blockedEnd":{"hour":0,"minute":0},"forceLocked":false},"selection":{}})";
        const auto decision = u"/api/v1/unlock-requests/{request}/decision"_s;
        const auto childPolicy = u"/api/v1/devices/{child}/policy"_s;
        const auto devices = u"/api/v1/families/{code}/devices"_s;
        const auto health = u"/api/v1/devices/{child}/health?familyCode={code}"_s;
        const auto requests = u"/api/v1/unlock-requests?familyCode={code}&status=pending"_s;
        const auto rename = u"/api/v1/devices/{child}?familyCode={code}"_s;
        const auto invite = u"/api/v1/families/{code}/parent-invitations"_s;
        const QByteArray report = R"({"notificationsOk":true,"usageAccessOk":true,"overlayOk":true,)"
                                  R"("deviceAdminOk":true,"platform":"mac"})";

        // A family no parent has shown a token to: the plain contract, token or not. Deciding a
        // request asks the same check of the request's family as the device list does.
        QTest::newRow("open: policy without token")
            << false << "PUT"_ba << childPolicy << policy << "none" << 200 << "";
        QTest::newRow("open: device list without token") << false << "GET"_ba << devices << ""_ba
                                                         << "none" << 200 << "";

        QTest::newRow("child approves")
            << true << "POST"_ba << decision << approve << "child" << 403 << "forbidden";
        QTest::newRow("other family approves")
            << true << "POST"_ba << decision << approve << "other" << 403 << "forbidden";
        QTest::newRow("parent approves") << true << "POST"_ba << decision << approve << "parent" << 200 << "";
        QTest::newRow("child puts policy")
            << true << "PUT"_ba << childPolicy << policy << "child" << 403 << "forbidden";
        QTest::newRow("other family puts policy")
            << true << "PUT"_ba << childPolicy << policy << "other" << 403 << "forbidden";
        QTest::newRow("parent puts policy")
            << true << "PUT"_ba << childPolicy << policy << "parent" << 200 << "";
        QTest::newRow("child lists devices") << true << "GET"_ba << devices << ""_ba
                                             << "child" << 403 << "forbidden";
        QTest::newRow("nobody lists devices") << true << "GET"_ba << devices << ""_ba
                                              << "none" << 401 << "tokenRequired";
        QTest::newRow("unknown token lists devices") << true << "GET"_ba << devices << ""_ba
                                                     << "bogus" << 401 << "tokenRequired";
        QTest::newRow("other family lists devices") << true << "GET"_ba << devices << ""_ba
                                                    << "other" << 403 << "forbidden";
        QTest::newRow("child lists requests") << true << "GET"_ba << requests << ""_ba
                                              << "child" << 403 << "forbidden";
        QTest::newRow("child reads health") << true << "GET"_ba << health << ""_ba
                                            << "child" << 403 << "forbidden";
        QTest::newRow("child renames itself") << true << "PATCH"_ba << rename << R"({"name":"x"})"_ba
                                              << "child" << 403 << "forbidden";
        QTest::newRow("child deletes itself") << true << "DELETE"_ba << rename << ""_ba
                                              << "child" << 403 << "forbidden";
        QTest::newRow("child invites") << true << "POST"_ba << invite << ""_ba
                                       << "child" << 403 << "forbidden";
        QTest::newRow("child reads own policy") << true << "GET"_ba << childPolicy << ""_ba
                                                << "child" << 200 << "";
        QTest::newRow("nobody reads child policy") << true << "GET"_ba << childPolicy << ""_ba
                                                   << "none" << 401 << "tokenRequired";
        QTest::newRow("other family reports health")
            << true << "PUT"_ba << u"/api/v1/devices/{child}/health"_s << report << "other" << 403
            << "forbidden";
        QTest::newRow("child reports health")
            << true << "PUT"_ba << u"/api/v1/devices/{child}/health"_s << report << "child" << 200 << "";
    }

    void whoMayDoWhat()
    {
        QFETCH(bool, secured);
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, caller);
        QFETCH(int, status);
        QFETCH(QString, reason);

        if (secured) {
            // Any request of a parent with its token secures the family.
            QCOMPARE(call("GET", u"/api/v1/devices/{child}/policy"_s, {}, m_parent.token).status, 200);
        }
        const QHash<QString, QString> tokens { { u"child"_s, m_child.token },
                                               { u"parent"_s, m_parent.token },
                                               { u"other"_s, m_otherParent.token },
                                               { u"bogus"_s,
                                                 u"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"_s } };
        const auto answer = call(method, path, body, tokens.value(caller));
        QCOMPARE(answer.status, status);
        if (status >= 400) {
            QCOMPARE(answer.json().value(u"reason"_s).toString(), reason);
            // A refused approval leaves the request pending.
            QCOMPARE(
                call("GET", u"/api/v1/unlock-requests?familyCode={code}&status=pending"_s, {}, m_parent.token)
                    .json()
                    .value(u"items"_s)
                    .toArray()
                    .size(),
                1);
        }
    }

    void parentComputerJoins_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("invitation");
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");

        QTest::newRow("child with the family code alone") << "child"
                                                          << "none" << 0 << 201 << "";
        QTest::newRow("parent without invitation") << "parent"
                                                   << "none" << 0 << 403 << "invitationRequired";
        QTest::newRow("parent with a made-up code") << "parent"
                                                    << "made-up" << 0 << 403 << "invitationInvalid";
        QTest::newRow("parent typing it loosely") << "parent"
                                                  << "loose" << 0 << 201 << "";
        QTest::newRow("parent just in time") << "parent"
                                             << "fresh" << 15 * 60 - 1 << 201 << "";
        QTest::newRow("parent too late") << "parent"
                                         << "fresh" << 15 * 60 << 403 << "invitationInvalid";
        QTest::newRow("parent with a used code") << "parent"
                                                 << "used" << 0 << 403 << "invitationInvalid";
        QTest::newRow("parent with another family's code") << "parent"
                                                           << "foreign" << 0 << 403 << "invitationInvalid";
    }

    void parentComputerJoins()
    {
        QFETCH(QString, role);
        QFETCH(QString, invitation);
        QFETCH(int, secondsLater);
        QFETCH(int, status);
        QFETCH(QString, reason);

        const auto made = call("POST", u"/api/v1/families/{code}/parent-invitations"_s, {}, m_parent.token);
        QCOMPARE(made.status, 201);
        auto code = made.json().value(u"invitationCode"_s).toString();
        QCOMPARE(QDateTime::fromString(made.json().value(u"expiresAt"_s).toString(), Qt::ISODateWithMs),
                 m_clock->now().addSecs(15 * 60));
        if (invitation == u"used"_s) {
            QVERIFY(!registerDevice(m_code, u"parent"_s, code).token.isEmpty());
        } else if (invitation == u"loose"_s) {
            code = u" "_s + code.toLower().remove(u'-') + u" "_s;
        } else if (invitation == u"made-up"_s) {
            code = u"ABCDE-FGHJK"_s;
        } else if (invitation == u"foreign"_s) {
            code = call("POST", u"/api/v1/families/%1/parent-invitations"_s.arg(m_otherCode), {},
                        m_otherParent.token)
                       .json()
                       .value(u"invitationCode"_s)
                       .toString();
        }
        m_clock->advance(secondsLater);

        QJsonObject body { { u"role"_s, role }, { u"name"_s, u"second"_s } };
        if (invitation != u"none"_s) {
            body.insert(u"invitationCode"_s, code);
        }
        const auto answer = call("POST", u"/api/v1/families/{code}/devices"_s,
                                 QJsonDocument(body).toJson(QJsonDocument::Compact), {});
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.json().value(u"reason"_s).toString(), reason);
        QCOMPARE(answer.json().contains(u"deviceToken"_s), status == 201);
    }

    void errorsSpeakTheRequestedLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("message");

        const QByteArray tooLong
            = R"({"policy":{"dailyLimitMinutes":1441,"blockedStart":{"hour":0,"minute":0},)"
              R"("blockedEnd":{"hour":0,"minute":0}},"selection":{}})";
        const auto missing = u"/api/v1/devices/nobody/policy"_s;
        QTest::newRow("zh-CN") << "zh-CN,zh;q=0.9,en;q=0.8"_ba
                               << "GET"_ba << missing << ""_ba
                               << "device not found"
                               << "找不到这台电脑，它可能已被家长移除。";
        QTest::newRow("en") << "en-US,en;q=0.9"_ba
                            << "GET"_ba << missing << ""_ba
                            << "device not found"
                            << "device not found";
        QTest::newRow("zh weighted above en") << "en;q=0.5, zh-TW"_ba
                                              << "GET"_ba << missing << ""_ba
                                              << "device not found"
                                              << "找不到这台电脑，它可能已被家长移除。";
        QTest::newRow("zh, a report of no device")
            << "zh"_ba
            << "PUT"_ba << u"/api/v1/devices/nobody/usage/today"_s << R"({"todayUsageSeconds":60})"_ba
            << "device not found"
            << "找不到这台电脑，它可能已被家长移除。";
        QTest::newRow("zh, a limit out of range")
            << "zh-CN"_ba
            << "PUT"_ba << u"/api/v1/devices/{child}/policy"_s << tooLong
            << "\"dailyLimitMinutes\" must lie between 0 and 1440"
            << "每日可用时长须在 0 到 1440 分钟之间。";
        QTest::newRow("zh, a value filled in") << "zh"_ba
                                               << "GET"_ba << u"/api/v1/unlock-requests"_s << ""_ba
                                               << "the query parameter \"familyCode\" is required"
                                               << "缺少查询参数“familyCode”。";
    }

    void errorsSpeakTheRequestedLanguage()
    {
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        QFETCH(QString, message);

        const auto answer = call(method, path, body, {}, language);
        QCOMPARE(answer.json().value(u"error"_s).toString(), error);
        QCOMPARE(answer.json().value(u"message"_s).toString(), message);
    }

private:
    struct Device
    {
        QString id;
        QString token;
    };

    Device registerDevice(const QString& code, const QString& role, const QString& invitation = {})
    {
        QJsonObject body { { u"role"_s, role }, { u"name"_s, role } };
        if (!invitation.isEmpty()) {
            body.insert(u"invitationCode"_s, invitation);
        }
        const auto answer = m_server->call("POST", u"/api/v1/families/%1/devices"_s.arg(code),
                                           QJsonDocument(body).toJson(QJsonDocument::Compact));
        return { answer.json().value(u"deviceId"_s).toString(),
                 answer.json().value(u"deviceToken"_s).toString() };
    }

    LoopbackFamilyServer::Response call(const QByteArray& method, const QString& path, const QByteArray& body,
                                        const QString& token, const QByteArray& language = {}) const
    {
        QList<std::pair<QByteArray, QByteArray>> headers;
        if (!token.isEmpty()) {
            headers.append({ "Authorization", "Bearer " + token.toLatin1() });
        }
        if (!language.isEmpty()) {
            headers.append({ "Accept-Language", language });
        }
        return m_server->call(method, expand(path), body, headers);
    }

    QString expand(QString text) const
    {
        return text.replace(u"{code}"_s, m_code)
            .replace(u"{child}"_s, m_child.id)
            .replace(u"{parent}"_s, m_parent.id)
            .replace(u"{request}"_s, m_request);
    }

    std::unique_ptr<SettableClock> m_clock;
    std::unique_ptr<LoopbackFamilyServer> m_server;
    QString m_code;
    QString m_otherCode;
    Device m_parent;
    Device m_child;
    Device m_otherParent;
    QString m_request;
};

QTEST_GUILESS_MAIN(TestFamilySecurity)
#include "TestFamilySecurity.moc"
