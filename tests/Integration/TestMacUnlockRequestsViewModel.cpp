#include "Services/MacUnlockRequestsViewModel.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The parent's review of unlock requests against the real family server.
class TestMacUnlockRequestsViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_family = std::make_unique<ParentFamilyFixture>();
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
    }

    void cleanup() { m_family.reset(); }

    void minutesInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<qint64>("minutes");
        QTest::newRow("spaces and tabs around") << u" \t20 "_s << qint64(20);
        QTest::newRow("plus sign") << u"+30"_s << qint64(30);
        QTest::newRow("letters") << u"abc"_s << qint64(15);
        QTest::newRow("full-width digits") << u"２０"_s << qint64(15);
        QTest::newRow("too many") << u"1000"_s << qint64(600);
        QTest::newRow("negative") << u"-5"_s << qint64(0);
        QTest::newRow("beyond 64 bits") << u"99999999999999999999"_s << qint64(15);
    }

    void minutesInput()
    {
        QFETCH(QString, input);
        QFETCH(qint64, minutes);
        QCOMPARE(MacUnlockRequestsViewModel::extendMinutes(input), minutes);
    }

    void filterShowsOnlyThatChild()
    {
        m_family->requestUnlock(m_family->annID, 30, u"作业写完了"_s);
        m_family->requestUnlock(m_family->benID, std::nullopt);
        m_family->requestUnlock(m_family->annID, std::nullopt);

        auto ann = model(m_family->annID);
        AwaitTask::run(ann->load());
        QCOMPARE(ann->requests().size(), 3);
        const auto visible = ann->visibleRequests();
        QCOMPARE(visible.size(), 2);
        const auto withReason = std::find_if(visible.begin(), visible.end(),
                                             [](const auto& r) { return r.requestedMinutes == 30; });
        QVERIFY(withReason != visible.end());
        QCOMPARE(ann->reasonLine(*withReason), std::optional(u"原因：作业写完了"_s));
        QCOMPARE(ann->requestedMinutesLine(*withReason), std::optional(u"申请延长：30 分钟"_s));
        // Nothing asked for, or nothing but blanks: no line at all.
        auto zero = *withReason;
        zero.requestedMinutes = 0;
        zero.reason = QString();
        QVERIFY(!ann->requestedMinutesLine(zero));
        QVERIFY(!ann->reasonLine(zero));
        zero.requestedMinutes.reset();
        zero.reason.reset();
        QVERIFY(!ann->requestedMinutesLine(zero));
        QVERIFY(!ann->reasonLine(zero));

        const auto loneChild = m_family->addDevice(RemoteDeviceRole::child, u"Cat"_s);
        auto cat = model(loneChild);
        AwaitTask::run(cat->load());
        QVERIFY(cat->visibleRequests().isEmpty());
    }

    void unknownDeviceShowsItsId()
    {
        m_family->requestUnlock(m_family->annID, std::nullopt);
        auto review = model();
        AwaitTask::run(review->load());
        QCOMPARE(review->requests().size(), 1);
        auto request = review->requests().first();
        request.childDeviceId = u"gone-device"_s;
        QCOMPARE(review->deviceLine(request), u"设备：gone-device"_s);
        review->beginApproval(request);
        QCOMPARE(review->sheetDeviceLine(), u"gone-device"_s);
        review->beginApproval(review->requests().first());
        QCOMPARE(review->sheetDeviceLine(), u"设备：Ann"_s);
    }

    void failedDecisionKeepsTheRequest()
    {
        m_family->requestUnlock(m_family->annID, 20);
        auto review = model();
        AwaitTask::run(review->load());
        const auto request = review->requests().first();
        // Someone else decided it meanwhile: the server refuses a second decision.
        AwaitTask::run(m_family->client->decideUnlockRequest(request.id, u"reject"_s, std::nullopt));
        AwaitTask::run(review->decide(request, u"approve"_s, 10));
        // In the interface's language, as the server words it for a Chinese client.
        QCOMPARE(review->errorMessage(), std::optional(u"这条解锁申请已经处理过了。"_s));
        QCOMPARE(review->requests().size(), 1);
    }

    void nonParentComputerCallsNothing()
    {
        m_family->requestUnlock(m_family->annID, 20);
        m_family->config->setRole(RemoteDeviceRole::child);
        auto review = model();
        AwaitTask::run(review->load());
        QCOMPARE(review->errorMessage(), std::optional(u"远程配置未完成，无法加载解锁申请。"_s));
        QVERIFY(review->requests().isEmpty());
        QVERIFY(review->deviceNameMap().isEmpty());

        m_family->config->setRole(RemoteDeviceRole::parent);
        m_family->config->setFamilyCode(QString());
        AwaitTask::run(review->load());
        QCOMPARE(review->errorMessage(), std::optional(u"远程配置未完成，无法加载解锁申请。"_s));
        QVERIFY(review->requests().isEmpty());
    }

private:
    std::unique_ptr<MacUnlockRequestsViewModel> model(std::optional<QString> filter = std::nullopt)
    {
        return std::make_unique<MacUnlockRequestsViewModel>(*m_family->config, std::move(filter));
    }

    std::unique_ptr<ParentFamilyFixture> m_family;
};

QTEST_GUILESS_MAIN(TestMacUnlockRequestsViewModel)
#include "TestMacUnlockRequestsViewModel.moc"
