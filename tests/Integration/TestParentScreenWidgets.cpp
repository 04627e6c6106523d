#include "Models/RemoteBackendConfig.h"
#include "Services/MacUnlockRequestsViewModel.h"
#include "Services/ParentDashboardViewModel.h"
#include "Views/MacUnlockRequestsView.h"
#include "Views/ParentDashboardView.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The dashboard and the unlock review driven through their widgets, against the real server.
class TestParentScreenWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dashboardShowsChildrenAndWatchesWhileShown();
    void reviewApprovesThroughTheMinutesSheet();

private:
    std::unique_ptr<ParentFamilyFixture> m_family;
};

void TestParentScreenWidgets::init()
{
    m_family = std::make_unique<ParentFamilyFixture>();
    QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
}

void TestParentScreenWidgets::cleanup()
{
    m_family.reset();
}

void TestParentScreenWidgets::dashboardShowsChildrenAndWatchesWhileShown()
{
    m_family->requestUnlock(m_family->benID, 10);
    ParentDashboardViewModel model(*m_family->config);
    model.setWatchPeriod(std::chrono::milliseconds(50));
    ParentDashboardView view(model);
    const auto devices = AwaitTask::run(m_family->client->fetchDevices(m_family->familyCode));
    const auto requests
        = AwaitTask::run(m_family->client->fetchUnlockRequests(m_family->familyCode, u"pending"_s));
    model.setChildDevices(*devices.value);
    model.setHomePendingUnlockRequests(*requests.value);

    QCOMPARE(view.findChild<QLabel*>(u"headline"_s)->text(), u"有 1 个孩子在申请加时"_s);
    QVERIFY(view.findChild<QWidget*>(u"child-"_s + m_family->annID));
    QVERIFY(!view.findChild<QWidget*>(u"child-"_s + m_family->parentID));
    auto* benRow = view.findChild<QWidget*>(u"child-"_s + m_family->benID);
    QVERIFY(benRow);
    QVERIFY(benRow->findChild<QPushButton*>(u"unlockRequests"_s)->property("pending").toBool());
    QVERIFY(!view.findChild<QWidget*>(u"child-"_s + m_family->annID)
                 ->findChild<QPushButton*>(u"unlockRequests"_s)
                 ->property("pending")
                 .toBool());

    QSignalSpy unlock(&view, &ParentDashboardView::unlockRequestsRequested);
    QSignalSpy rules(&view, &ParentDashboardView::ruleSettingsRequested);
    QTest::mouseClick(benRow->findChild<QPushButton*>(u"unlockRequests"_s), Qt::LeftButton);
    QTest::mouseClick(benRow->findChild<QPushButton*>(u"ruleSettings"_s), Qt::LeftButton);
    QCOMPARE(unlock.count(), 1);
    QCOMPARE(unlock.first().first().value<DeviceListItem>().id, m_family->benID);
    QCOMPARE(rules.count(), 1);

    QSignalSpy polls(&model, &ParentDashboardViewModel::watchPolled);
    view.show();
    QVERIFY(model.isWatching());
    QTRY_VERIFY(!polls.isEmpty());
    view.hide();
    QVERIFY(!model.isWatching());
}

void TestParentScreenWidgets::reviewApprovesThroughTheMinutesSheet()
{
    m_family->requestUnlock(m_family->annID, 30, u"练琴结束"_s);
    m_family->requestUnlock(m_family->benID, 5);
    MacUnlockRequestsView view(*m_family->config, m_family->annID);
    view.show();
    QTRY_VERIFY(!view.model().requests().isEmpty() && !view.model().isLoading());
    QTRY_VERIFY(!view.model().deviceNameMap().isEmpty());
    const auto visible = view.model().visibleRequests();
    QCOMPARE(visible.size(), 1);
    auto* card = view.findChild<QWidget*>(u"request-"_s + visible.first().id);
    QVERIFY(card);
    QTest::mouseClick(card->findChild<QPushButton*>(u"approve"_s), Qt::LeftButton);
    auto* sheet = view.findChild<QDialog*>(u"extendMinutesSheet"_s);
    QVERIFY(sheet && sheet->isVisible());
    auto* minutes = sheet->findChild<QLineEdit*>(u"minutes"_s);
    QCOMPARE(minutes->text(), u"30"_s);
    minutes->selectAll();
    QTest::keyClicks(minutes, u" 45 "_s);
    QTest::mouseClick(sheet->findChild<QPushButton*>(u"confirm"_s), Qt::LeftButton);
    QTRY_VERIFY(!sheet->isVisible());
    QTRY_VERIFY(view.findChild<QLabel*>(u"empty"_s));
    const auto policy = AwaitTask::run(m_family->client->fetchPolicy(m_family->annID));
    QVERIFY(policy.value && policy.value->policy.unlockUntil);
    QCOMPARE(m_family->clock.now().secsTo(*policy.value->policy.unlockUntil), 45 * 60);
}

QTEST_MAIN(TestParentScreenWidgets)
#include "TestParentScreenWidgets.moc"
