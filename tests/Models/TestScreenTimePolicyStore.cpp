#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "support/MemoryUserDefaults.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kFull
    = R"({"dailyLimitMinutes":90,"blockedStart":{"hour":21,"minute":30},)"
      R"("blockedEnd":{"hour":7,"minute":15,"calendar":"gregorian"},"forceLocked":true,)"
      R"("unlockUntil":786297600.5,"eyeRestIntervalMinutes":30,"eyeRestRestMinutes":5,"extra":1})";

ScreenTimePolicy fullPolicy()
{
    ScreenTimePolicy policy;
    policy.dailyLimitMinutes = 90;
    policy.blockedStart = { 21, 30 };
    policy.blockedEnd = { 7, 15 };
    policy.forceLocked = true;
    // 2025-12-01 16:00:00.500 UTC is 786297600.5 seconds after 2001-01-01.
    policy.unlockUntil = QDateTime(QDate(2025, 12, 1), QTime(16, 0, 0, 500), Qt::UTC);
    policy.eyeRestIntervalMinutes = 30;
    policy.eyeRestRestMinutes = 5;
    return policy;
}
} // namespace

class TestScreenTimePolicyStore : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("usesDefaults");
        QTest::addColumn<ScreenTimePolicy>("expected");

        QTest::newRow("full, unknown members ignored") << kFull << false << fullPolicy();

        ScreenTimePolicy optionalsMissing;
        optionalsMissing.dailyLimitMinutes = 30;
        optionalsMissing.blockedStart = { 22, 0 };
        optionalsMissing.blockedEnd = { 6, 0 };
        QTest::newRow("optional members missing") << QByteArray(
            R"({"dailyLimitMinutes":30,"blockedStart":{"hour":22,"minute":0},"blockedEnd":{"hour":6,"minute":0}})")
                                                  << false << optionalsMissing;
        QTest::newRow("optional members of the wrong type") << QByteArray(
            R"({"dailyLimitMinutes":30,"blockedStart":{"hour":22,"minute":0},"blockedEnd":{"hour":6,"minute":0},)"
            R"("forceLocked":"yes","unlockUntil":"soon","eyeRestIntervalMinutes":1.5,"eyeRestRestMinutes":null})")
                                                            << false << optionalsMissing;

        ScreenTimePolicy noHour;
        noHour.blockedStart = { std::nullopt, 30 };
        QTest::newRow("components without hour") << QByteArray(
            R"({"dailyLimitMinutes":120,"blockedStart":{"minute":30},"blockedEnd":{"hour":8,"minute":0}})")
                                                 << false << noHour;

        const ScreenTimePolicy defaults;
        QTest::newRow("blockedEnd missing") << QByteArray(
            R"({"dailyLimitMinutes":30,"blockedStart":{"hour":22,"minute":0},"forceLocked":true})")
                                            << true << defaults;
        QTest::newRow("limit as text") << QByteArray(
            R"({"dailyLimitMinutes":"30","blockedStart":{"hour":22},"blockedEnd":{"hour":6},"forceLocked":true})")
                                       << true << defaults;
        QTest::newRow("components not an object")
            << QByteArray(R"({"dailyLimitMinutes":30,"blockedStart":[22,0],"blockedEnd":{"hour":6}})") << true
            << defaults;
        QTest::newRow("corrupt bytes") << QByteArray("\xff\xfe{garbage", 10) << true << defaults;
    }

    void decode()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, usesDefaults);
        QFETCH(ScreenTimePolicy, expected);
        QCOMPARE(!ScreenTimePolicyRepository::decode(document).has_value(), usesDefaults);

        MemoryUserDefaults defaults;
        defaults.setData(u"screenTimePolicy"_s, document);
        const ScreenTimePolicyRepository repository;
        QCOMPARE(repository.load(), expected);
        // Loading never rewrites what is stored, even when it falls back.
        QCOMPARE(defaults.writeCount(u"screenTimePolicy"_s), 1);
    }

    void storedAsTextIsNotADocument()
    {
        MemoryUserDefaults defaults;
        defaults.setString(u"screenTimePolicy"_s, QString::fromUtf8(kFull));
        QCOMPARE(ScreenTimePolicyRepository().load(), ScreenTimePolicy {});
    }

    void encodeRoundTripsAndOmitsAbsentUnlock()
    {
        const auto encoded = ScreenTimePolicyRepository::encode(fullPolicy());
        const auto object = QJsonDocument::fromJson(encoded).object();
        QCOMPARE(object.value(u"unlockUntil"_s).toDouble(), 786297600.5);
        QCOMPARE(object.value(u"blockedStart"_s).toObject(),
                 (QJsonObject { { u"hour"_s, 21 }, { u"minute"_s, 30 } }));
        QCOMPARE(ScreenTimePolicyRepository::decode(encoded), fullPolicy());

        auto withoutUnlock = fullPolicy();
        withoutUnlock.unlockUntil.reset();
        const auto plain
            = QJsonDocument::fromJson(ScreenTimePolicyRepository::encode(withoutUnlock)).object();
        QVERIFY(!plain.contains(u"unlockUntil"_s));
        QCOMPARE(plain.size(), 6);
    }

    void hostileUnlockInstantIsAbsent()
    {
        const auto decoded = ScreenTimePolicyRepository::decode(
            R"({"dailyLimitMinutes":1,"blockedStart":{},"blockedEnd":{},"unlockUntil":1e300})");
        QVERIFY(decoded);
        QVERIFY(!decoded->unlockUntil);
    }

    void updateNotifiesOnceAndWritesEvenWhenUnchanged()
    {
        MemoryUserDefaults defaults;
        ScreenTimePolicyStore store(std::make_unique<ScreenTimePolicyRepository>());
        QSignalSpy spy(&store, &ScreenTimePolicyStore::policyChanged);
        store.update([](ScreenTimePolicy&) {});
        QCOMPARE(spy.count(), 1);
        QCOMPARE(defaults.writeCount(u"screenTimePolicy"_s), 1);

        store.update([](ScreenTimePolicy& policy) { policy.forceLocked = true; });
        QCOMPARE(spy.count(), 2);
        ScreenTimePolicyStore reloaded(std::make_unique<ScreenTimePolicyRepository>());
        QVERIFY(reloaded.policy().forceLocked);

        // Assigning notifies but does not persist by itself.
        auto policy = store.policy();
        policy.dailyLimitMinutes = 5;
        store.setPolicy(policy);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(defaults.writeCount(u"screenTimePolicy"_s), 2);
    }
};

QTEST_GUILESS_MAIN(TestScreenTimePolicyStore)
#include "TestScreenTimePolicyStore.moc"
