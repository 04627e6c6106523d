#include "Protocol/DecodingError.h"
#include "Protocol/DeviceRecords.h"
#include "Protocol/ErrorResponse.h"
#include "Protocol/FamilyRecords.h"
#include "Protocol/FeedbackRecords.h"
#include "Protocol/HealthRecords.h"
#include "Protocol/PolicyRecords.h"
#include "Protocol/PublicDisplayInfoRecords.h"
#include "Protocol/SerializationError.h"
#include "Protocol/UnlockRecords.h"
#include "Protocol/UsageRecords.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/ModelPayloads.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DecodingError::Kind)

namespace {

// Decodes `json` as the named record and answers the record re-encoded, so that one table can
// drive every decoder and still look at what was kept.
QJsonObject decodeAs(const QString& record, const QByteArray& json)
{
    using WireCoding::decodeDocument;
    static const QHash<QString, std::function<QJsonObject(const QByteArray&)>> decoders {
        { u"DevicePolicyResponse"_s,
          [](auto& d) { return decodeDocument<DevicePolicyResponse>(d).toJson(); } },
        { u"CreateFamilyResponse"_s,
          [](auto& d) { return decodeDocument<CreateFamilyResponse>(d).toJson(); } },
        { u"ListDevicesResponse"_s, [](auto& d) { return decodeDocument<ListDevicesResponse>(d).toJson(); } },
        { u"UnlockRequestListResponse"_s,
          [](auto& d) { return decodeDocument<UnlockRequestListResponse>(d).toJson(); } },
        { u"PublicAppDisplayInfo"_s,
          [](auto& d) { return decodeDocument<PublicAppDisplayInfo>(d).toJson(); } },
        { u"ErrorResponse"_s, [](auto& d) { return decodeDocument<ErrorResponse>(d).toJson(); } },
    };
    return decoders.value(record)(json);
}

QJsonObject object(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

const QByteArray kUnlockItem = R"({"id":"r1","familyId":"f1","childDeviceId":"c1","status":"pending",)"
                               R"("createdAt":"2026-12-04 06:00","updatedAt":"x"})";
} // namespace

class TestWireRecords : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("json");
        // What the record keeps, written back; members the decoder ignored are gone.
        QTest::addColumn<QByteArray>("kept");

        QTest::newRow("display info, null member")
            << u"PublicAppDisplayInfo"_s
            << QByteArray(R"({"legalInfo":{"copyrightNotice":"© X","icpNo":null}})")
            << QByteArray(R"({"legalInfo":{"copyrightNotice":"© X"}})");
        QTest::newRow("unlock list null") << u"UnlockRequestListResponse"_s << QByteArray(R"({"items":null})")
                                          << QByteArray(R"({"items":[]})");
        // 32 levels is the deepest a document may go; brackets inside strings are text.
        QTest::newRow("32 levels, brackets in strings")
            << u"ErrorResponse"_s
            << QByteArray("{\"error\":\"[{[{\",\"x\":" + QByteArray(31, '[') + "\"]]]}\""
                          + QByteArray(31, ']') + "}")
            << QByteArray("{\"error\":\"[{[{\"}");
    }

    void decodes()
    {
        QFETCH(QString, record);
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, kept);
        QCOMPARE(decodeAs(record, json), object(kept));
    }

    void rejects_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<DecodingError::Kind>("kind");
        QTest::addColumn<QString>("path");

        const auto policyHead = [](const QByteArray& limit = "1") {
            return R"({"deviceId":"d","policy":{"dailyLimitMinutes":)" + limit
                + R"(,"blockedStart":{"hour":1,"minute":2},"blockedEnd":{"hour":3,"minute":4})";
        };
        using K = DecodingError::Kind;
        QTest::newRow("policy without selection")
            << u"DevicePolicyResponse"_s << QByteArray(policyHead() + "}}") << K::keyNotFound
            << u"selection"_s;
        QTest::newRow("unlockUntil as seconds")
            << u"DevicePolicyResponse"_s
            << QByteArray(policyHead() + R"(,"unlockUntil":786297600},"selection":{}})") << K::typeMismatch
            << u"policy.unlockUntil"_s;
        for (const QByteArray limit : { "1.5", "9223372036854775808" }) {
            QTest::addRow("limit %s", limit.constData())
                << u"DevicePolicyResponse"_s << QByteArray(policyHead(limit) + R"(},"selection":{}})")
                << K::typeMismatch << u"policy.dailyLimitMinutes"_s;
        }
        QTest::newRow("required null")
            << u"CreateFamilyResponse"_s << QByteArray(R"({"familyId":null,"familyCode":"1"})")
            << K::valueNotFound << u"familyId"_s;
        QTest::newRow("device without name fails the list")
            << u"ListDevicesResponse"_s
            << QByteArray(R"({"devices":[{"id":"1","name":"a","role":"parent"},{"id":"2","role":"child"}]})")
            << K::keyNotFound << u"devices[1].name"_s;
        QTest::newRow("unlock item without createdAt")
            << u"UnlockRequestListResponse"_s
            << QByteArray(R"({"items":[)" + kUnlockItem.left(kUnlockItem.indexOf(",\"createdAt")) + "}]}")
            << K::keyNotFound << u"items[0].createdAt"_s;
        QTest::newRow("not JSON") << u"PublicAppDisplayInfo"_s << QByteArray("<html>") << K::dataCorrupted
                                  << u""_s;
        // What a hostile server could send within the client's byte cap.
        QTest::newRow("selection nested 33 levels")
            << u"DevicePolicyResponse"_s
            << QByteArray(policyHead() + R"(},"selection":{"x":)" + QByteArray(31, '[') + QByteArray(31, ']')
                          + "}}")
            << K::dataCorrupted << u""_s;
        QTest::newRow("10000 levels")
            << u"ErrorResponse"_s << QByteArray(10000, '[') << K::dataCorrupted << u""_s;
        QByteArray devices = "{\"devices\":[";
        for (int i = 0; i <= WireCoding::maximumListItems; ++i) {
            devices += R"({"id":"d","name":"n","role":"child"},)";
        }
        devices.chop(1);
        QTest::newRow("2001 devices")
            << u"ListDevicesResponse"_s << QByteArray(devices + "]}") << K::dataCorrupted << u"devices"_s;
    }

    void rejects()
    {
        QFETCH(QString, record);
        QFETCH(QByteArray, json);
        QFETCH(DecodingError::Kind, kind);
        QFETCH(QString, path);
        try {
            decodeAs(record, json);
            QFAIL("decoded a malformed document");
        } catch (const DecodingError& error) {
            QCOMPARE(error.kind(), kind);
            QCOMPARE(error.codingPath(), path);
        }
    }

    void iso8601_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected"); // invalid: rejected
        const auto utc = [](int h, int m, int s, int ms) {
            return QDateTime(QDate(2026, 12, 4), QTime(h, m, s, ms), Qt::UTC);
        };
        QTest::newRow("Z") << u"2026-12-04T06:00:00Z"_s << utc(6, 0, 0, 0);
        QTest::newRow("fraction offset")
            << u"2026-12-04T06:00:00.5+08:00"_s << utc(-2 + 24, 0, 0, 500).addDays(-1);
        QTest::newRow("negative offset") << u"2026-12-04T06:00:00-01:30"_s << utc(7, 30, 0, 0);
        QTest::newRow("long fraction cut") << u"2026-12-04T06:00:00.123456Z"_s << utc(6, 0, 0, 123);
        QTest::newRow("bare date") << u"2026-12-04"_s << QDateTime();
        QTest::newRow("no zone") << u"2026-12-04T06:00:00"_s << QDateTime();
        QTest::newRow("offset without colon") << u"2026-12-04T06:00:00+0800"_s << QDateTime();
        QTest::newRow("no day 31 in November") << u"2026-11-31T06:00:00Z"_s << QDateTime();
        QTest::newRow("hour 24") << u"2026-12-04T24:00:00Z"_s << QDateTime();
        QTest::newRow("empty fraction") << u"2026-12-04T06:00:00.Z"_s << QDateTime();
        QTest::newRow("trailing text") << u"2026-12-04T06:00:00Zjunk"_s << QDateTime();
    }

    void iso8601()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const auto parsed = WireCoding::parseISO8601(text);
        QCOMPARE(parsed.has_value(), expected.isValid());
        if (parsed) {
            QCOMPARE(parsed->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
            QCOMPARE(parsed->timeSpec(), Qt::UTC);
        }
    }

    // The bytes a peer receives: keys in Qt's order (or the list's, for the health report),
    // integers without a fraction, dates in UTC without one, absent members left out.
    void encodes_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("expected");
        const QDateTime eightHoursAhead(QDate(2026, 12, 4), QTime(14, 0, 0, 900), Qt::OffsetFromUTC,
                                        8 * 3600);
        const UpsertPolicyPayload upsert { { 90, { 21, 0 }, { 7, 30 }, true, eightHoursAhead },
                                           { { u"apps"_s, QJsonArray { u"a"_s } } } };
        QTest::newRow("policy") << WireCoding::encode(upsert.toJson())
                                << QByteArray(
                                       R"({"policy":{"blockedEnd":{"hour":7,"minute":30},)"
                                       R"("blockedStart":{"hour":21,"minute":0},"dailyLimitMinutes":90,)"
                                       R"("forceLocked":true,"unlockUntil":"2026-12-04T06:00:00Z"},)"
                                       R"("selection":{"apps":["a"]}})");
        QTest::newRow("today's usage beyond 2^53")
            << WireCoding::encode(TodayUsagePayload { 9007199254740993, eightHoursAhead }.toJson())
            << QByteArray(R"({"sampledAt":"2026-12-04T06:00:00Z","todayUsageSeconds":9007199254740993})");
        const PutDeviceHealthPayload health { true,         false,        false,          false,
                                              u"linux"_s,   std::nullopt, u"Debian 12"_s, std::nullopt,
                                              std::nullopt, u"running"_s, false,          u"processOnly"_s };
        QTest::newRow("health report in its own order")
            << health.encoded()
            << QByteArray(
                   R"({"notificationsOk":true,"usageAccessOk":false,"overlayOk":false,"deviceAdminOk":false,)"
                   R"("platform":"linux","osVersion":"Debian 12","guardState":"running","settingsChanged":false,)"
                   R"("enforcementMode":"processOnly"})");
        QTest::newRow("unlock decision")
            << WireCoding::encode(UnlockDecisionPayload::make(u"approve"_s, 0).toJson())
            << QByteArray(R"({"action":"approve"})");
    }

    void encodes()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, expected);
        QCOMPARE(encoded, expected);
    }

    void unlockBodies_data()
    {
        QTest::addColumn<QVariant>("minutes"); // invalid: not given
        QTest::addColumn<QVariant>("reason");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("nothing") << QVariant() << QVariant() << QByteArray("{}");
        QTest::newRow("zero minutes") << QVariant(0) << QVariant() << QByteArray("{}");
        QTest::newRow("blank reason") << QVariant() << QVariant(u" \t "_s) << QByteArray("{}");
        QTest::newRow("line break is content")
            << QVariant() << QVariant(u"\n"_s) << QByteArray(R"({"reason":"\n"})");
        QTest::newRow("both, reason untrimmed")
            << QVariant(15) << QVariant(u"  作业  "_s)
            << QByteArray(R"({"requestedMinutes":15,"reason":"  作业  "})");
    }

    void unlockBodies()
    {
        QFETCH(QVariant, minutes);
        QFETCH(QVariant, reason);
        QFETCH(QByteArray, body);
        const auto payload = UnlockRequestPayload::make(
            minutes.isValid() ? std::optional<qint64>(minutes.toLongLong()) : std::nullopt,
            reason.isValid() ? std::optional<QString>(reason.toString()) : std::nullopt);
        QCOMPARE(payload.toJson(), object(body));
    }

    // The parent's and the unbound computer's forms are sent by the view-model and client tests.
    void feedbackBodyOfAChild()
    {
        const auto payload = feedbackPayload(RemoteDeviceRole::child, u"bug"_s, u"  卡住了\n"_s,
                                             u"  a@b.c\n"_s, u"1.0"_s, u"12"_s, u""_s, u""_s);
        QCOMPARE(WireCoding::encode(payload.toJson()),
                 QByteArray(R"({"appVersion":"1.0","category":"bug","contact":"a@b.c","content":"卡住了",)"
                            R"("osVersion":"12","platform":"mac_child"})"));
    }

    void todayUsage_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("integer") << QByteArray(R"({"todayUsageSeconds":120})") << qint64(120);
        QTest::newRow("fraction truncated") << QByteArray(R"({"todayUsageSeconds":61.9})") << qint64(61);
        QTest::newRow("text") << QByteArray(R"({"todayUsageSeconds":"61"})") << qint64(0);
        QTest::newRow("null") << QByteArray(R"({"todayUsageSeconds":null})") << qint64(0);
        QTest::newRow("beyond 64 bits") << QByteArray(R"({"todayUsageSeconds":1e300})") << qint64(0);
    }

    void todayUsage()
    {
        QFETCH(QByteArray, body);
        QFETCH(qint64, seconds);
        QCOMPARE(TodayUsageResponse::fromBody(body).todayUsageSeconds, seconds);
    }

    void todayUsageNotJSON()
    {
        QVERIFY_THROWS_EXCEPTION(SerializationError, TodayUsageResponse::fromBody("not json"));
    }
};

QTEST_GUILESS_MAIN(TestWireRecords)
#include "TestWireRecords.moc"
