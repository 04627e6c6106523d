#include "Models/RemoteBackendConfig.h"
#include "Services/MacChildRuleSettingsViewModel.h"
#include "Services/MacUnlockRequestsViewModel.h"
#include "Services/ParentDashboardViewModel.h"
#include "Views/MacChildRuleSettingsView.h"
#include "Views/MacUnlockRequestsView.h"
#include "Views/ParentDashboardView.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"
#include "support/ScriptedAlertPresenter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The parent's screens against the real server: the dashboard's headline and unlock-request watch,
// and the dashboard, the unlock review and the rule editor driven through their widgets.
class TestParentScreenWidgets : public QObject
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
        recordNotifications(model, notified, 30);
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
        const auto pending
            = AwaitTask::run(m_family->client->fetchUnlockRequests(m_family->familyCode, u"pending"_s));
        for (const auto& request : pending.value.value_or(QList<UnlockRequest> {})) {
            if (request.childDeviceId == m_family->annID) {
                AwaitTask::run(m_family->client->decideUnlockRequest(request.id, u"reject"_s, {}));
            }
        }
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
        recordNotifications(model, notified, 30);
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

    // The headline is the view model's test and the row buttons' wiring the home screen's; here the
    // rows themselves.
    void dashboardShowsChildren()
    {
        m_family->requestUnlock(m_family->benID, 10);
        ParentDashboardViewModel model(*m_family->config);
        ParentDashboardView view(model);
        fillFromServer(model);

        QVERIFY(!view.findChild<QWidget*>(u"child-"_s + m_family->parentID));
        const auto pending = [&view](const QString& id) {
            const auto* row = view.findChild<QWidget*>(u"child-"_s + id);
            return row && row->findChild<QPushButton*>(u"unlockRequests"_s)->property("pending").toBool();
        };
        QVERIFY(pending(m_family->benID));
        QVERIFY(view.findChild<QWidget*>(u"child-"_s + m_family->annID));
        QVERIFY(!pending(m_family->annID));
    }

    void dashboardListStates_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("saysNoneJoined");
        QTest::newRow("loading") << true << QString() << false;
        QTest::newRow("server down") << false << u"无法连接服务器"_s << false;
        QTest::newRow("read, none joined") << false << QString() << true;
    }

    void dashboardListStates()
    {
        QFETCH(bool, loading);
        QFETCH(QString, error);
        QFETCH(bool, saysNoneJoined);
        ParentDashboardViewModel dashboard(*m_family->config);
        ParentDashboardView view(dashboard);
        dashboard.setLoadingChildDevices(loading);
        dashboard.setChildDevicesError(error.isEmpty() ? std::nullopt : std::optional<QString>(error));
        view.show();
        QCOMPARE(view.findChild<QLabel*>(u"empty"_s) != nullptr, saysNoneJoined);
        QCOMPARE(view.findChild<QLabel*>(u"error"_s)->isVisible(), !error.isEmpty());
        QCOMPARE(view.findChild<QLabel*>(u"loading"_s)->isVisible(), loading);
        view.hide();
        QTRY_VERIFY(!dashboard.isPolling());
    }

    void watchHearsRequestsWhateverTheWindowDoes_data()
    {
        QTest::addColumn<Qt::WindowState>("state");
        QTest::addColumn<bool>("windowHidden");
        QTest::newRow("minimised") << Qt::WindowMinimized << false;
        QTest::newRow("closed to the background") << Qt::WindowNoState << true;
    }

    void watchHearsRequestsWhateverTheWindowDoes()
    {
        QFETCH(Qt::WindowState, state);
        QFETCH(bool, windowHidden);
        ParentDashboardViewModel model(*m_family->config);
        QList<qint64> notified;
        recordNotifications(model, notified, 50);
        QWidget window;
        auto* view = new ParentDashboardView(model, &window);
        QSignalSpy polls(&model, &ParentDashboardViewModel::watchPolled);
        QSignalSpy refreshes(&model, &ParentDashboardViewModel::refreshRequested);
        window.show();
        QTRY_VERIFY(!polls.isEmpty());

        window.setWindowState(state);
        if (windowHidden) {
            window.hide();
        }
        m_family->requestUnlock(m_family->benID, 10);
        QTRY_COMPARE(notified, QList<qint64> { 1 });
        QCOMPARE(refreshes.size(), 1);
        view->hide();
        QVERIFY(!model.isWatching());
        QTRY_VERIFY(!model.isPolling());
    }

    void reviewApprovesThroughTheMinutesSheet()
    {
        m_family->requestUnlock(m_family->annID, 30, u"练琴结束"_s);
        m_family->requestUnlock(m_family->benID, 5);
        MacUnlockRequestsView view(*m_family->config, m_family->annID);
        view.show();
        // Still loading: nothing says there are no requests.
        QVERIFY(!view.findChild<QLabel*>(u"empty"_s));
        QTRY_VERIFY(!view.model().visibleRequests().isEmpty() && !view.model().isLoading());
        auto* card = view.findChild<QWidget*>(u"request-"_s + view.model().visibleRequests().first().id);
        QVERIFY(card);
        QTest::mouseClick(card->findChild<QPushButton*>(u"approve"_s), Qt::LeftButton);
        auto* sheet = view.findChild<QDialog*>(u"extendMinutesSheet"_s);
        QVERIFY(sheet && sheet->isVisible());
        auto* minutes = sheet->findChild<QLineEdit*>(u"minutes"_s);
        QCOMPARE(minutes->text(), u"30"_s);
        minutes->selectAll();
        QTest::keyClicks(minutes, u"45"_s);
        QTest::mouseClick(sheet->findChild<QPushButton*>(u"confirm"_s), Qt::LeftButton);
        QTRY_VERIFY(!sheet->isVisible());
        QTRY_VERIFY(view.findChild<QLabel*>(u"empty"_s));
        const auto policy = AwaitTask::run(m_family->client->fetchPolicy(m_family->annID));
        QVERIFY(policy.value && policy.value->policy.unlockUntil);
        QCOMPARE(m_family->clock.now().secsTo(*policy.value->policy.unlockUntil), 45 * 60);
    }

    void ruleEditorKeysAndButtons_data()
    {
        QTest::addColumn<QString>("limitText");
        QTest::addColumn<bool>("serverRefuses");
        QTest::addColumn<QString>("button"); // clicked after two Returns, or none
        QTest::addColumn<int>("alertAnswer");
        QTest::addColumn<bool>("deviceRemains");
        QTest::addColumn<QString>("fieldError");

        const QString range = u"请输入 0 到 1440 之间的整数"_s;
        QTest::newRow("too large") << u"5000"_s << false << QString() << -1 << true << range;
        QTest::newRow("not a number") << u"abc"_s << false << QString() << -1 << true << range;
        QTest::newRow("refused save, then Return") << u"90"_s << true << QString() << -1 << true << QString();
        QTest::newRow("delete, cancelled") << u"120"_s << true << u"delete"_s << 0 << true << QString();
        QTest::newRow("delete, confirmed") << u"120"_s << true << u"delete"_s << 1 << false << QString();
        QTest::newRow("granted time ended") << u"120"_s << true << u"endUnlock"_s << -1 << true << QString();
    }

    void ruleEditorKeysAndButtons()
    {
        QFETCH(QString, limitText);
        QFETCH(bool, serverRefuses);
        QFETCH(QString, button);
        QFETCH(int, alertAnswer);
        QFETCH(bool, deviceRemains);
        QFETCH(QString, fieldError);
        // Ann was granted 20 minutes.
        m_family->requestUnlock(m_family->annID, 20);
        const auto pending
            = AwaitTask::run(m_family->client->fetchUnlockRequests(m_family->familyCode, u"pending"_s));
        QVERIFY(
            AwaitTask::run(m_family->client->decideUnlockRequest(pending.value->first().id, u"approve"_s, 20))
                .error
            == nullptr);

        ScriptedAlertPresenter alerts;
        if (alertAnswer >= 0) {
            alerts.setNextAnswer(alertAnswer);
        }
        MacChildRuleSettingsView view({ m_family->annID, u"Ann"_s, u"child"_s }, *m_family->config, alerts);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTRY_VERIFY(!view.model().isLoading());
        QCOMPARE(view.findChild<QLabel*>(u"unlockUntil"_s)->text(), u"临时解锁至 09:20"_s);

        auto* limit = view.findChild<QLineEdit*>(u"dailyLimit"_s);
        limit->setFocus();
        limit->selectAll();
        QTest::keyClicks(limit, limitText);
        m_family->session.setFault([serverRefuses](QNetworkAccessManager::Operation operation, const QUrl&) {
            return serverRefuses && operation == QNetworkAccessManager::PutOperation;
        });
        // Saved with a click; then Return lands wherever the focus went meanwhile.
        QTest::mouseClick(view.findChild<QPushButton*>(u"save"_s), Qt::LeftButton);
        QTRY_VERIFY(!view.model().isSaving());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &view, Qt::Key_Return);
        QTRY_VERIFY(!view.model().isSaving());
        QCOMPARE(view.findChild<QLabel*>(u"dailyLimitError"_s)->text(), fieldError);
        if (!button.isEmpty()) {
            m_family->session.setFault({});
            QTest::mouseClick(view.findChild<QPushButton*>(button), Qt::LeftButton);
        }
        QTest::qWait(100);
        QTRY_VERIFY(!view.model().isSaving());

        const auto devices = AwaitTask::run(m_family->client->fetchDevices(m_family->familyCode));
        QVERIFY(devices.value);
        QCOMPARE(std::any_of(devices.value->cbegin(), devices.value->cend(),
                             [&](const DeviceListItem& d) { return d.id == m_family->annID; }),
                 deviceRemains);
        if (button == u"delete"_s) {
            QCOMPARE(alerts.shown().size(), 1);
            QCOMPARE(alerts.shown().first().buttons.first(), u"取消"_s);
        }
        if (deviceRemains) {
            const auto policy = AwaitTask::run(m_family->client->fetchPolicy(m_family->annID));
            QVERIFY(policy.value);
            QCOMPARE(policy.value->policy.dailyLimitMinutes, 120); // no row saves its limit
            const bool ended = button == u"endUnlock"_s;
            QCOMPARE(policy.value->policy.unlockUntil.has_value(), !ended);
            QCOMPARE(view.findChild<QLabel*>(u"unlockUntil"_s)->isVisible(), !ended);
        }
    }

private:
    // The watch, every `periodMs`, notifies into `notified` instead of the desktop.
    static void recordNotifications(ParentDashboardViewModel& model, QList<qint64>& notified, int periodMs)
    {
        model.setNotify([&notified](qint64 count) -> QCoro::Task<void> {
            notified.append(count);
            co_return;
        });
        model.setWatchPeriod(std::chrono::milliseconds(periodMs));
    }

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

    std::unique_ptr<ParentFamilyFixture> m_family;
};

QTEST_MAIN(TestParentScreenWidgets)
#include "TestParentScreenWidgets.moc"
