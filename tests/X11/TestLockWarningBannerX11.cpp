#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/PlatformDefaults.h"
#include "Services/MacLocalLockGuard.h"
#include "Services/MacUsageMonitorService.h"
#include "Views/MacLockWarningBanner.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingNotifications.h"
#include "support/RecordingOverlay.h"
#include "support/ScriptedWorkspace.h"
#include "support/SettableClock.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

// Five minutes before the limit, with a full-screen game in front, on a real X server with
// openbox: the warning banner shows above the game, stays above it when the game is brought
// forward, takes none of its keys, goes away by itself, and the notification is posted once.
class TestLockWarningBannerX11 : public QObject
{
    Q_OBJECT

    QByteArray m_display;

private slots:
    void initTestCase()
    {
        m_display = qgetenv("DISPLAY");
        if (m_display.isEmpty() || QGuiApplication::platformName() != u"xcb"_s) {
            QSKIP("needs an X display (run through scripts/test.sh)");
        }
    }

    void bannerAboveAFullScreenGame()
    {
        QProcess probe;
        probe.start(QCoreApplication::applicationDirPath() + u"/vantorel_keyprobe"_s,
                    { u"-name"_s, u"bannerprobe"_s });
        QVERIFY(probe.waitForStarted());
        const auto game = X11TestTools::windowNamed(m_display, u"bannerprobe"_s);
        QVERIFY(game != 0);
        X11TestTools::run(m_display, u"xdotool"_s,
                          { u"windowactivate"_s, u"--sync"_s, QString::number(game) });
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += probe.readAllStandardOutput()).contains("ready"), 5000);

        MemoryUserDefaults defaults;
        SettableClock clock(QDateTime(QDate(2026, 3, 10), QTime(15, 0), QTimeZone::utc()));
        ScriptedWorkspace workspace; // the banner is raised by the real one
        RecordingNotifications notifications;
        MemorySecureStore keychain;
        QNetworkAccessManager network;
        RemoteBackendConfig config(defaults, keychain, network);
        config.setBaseURLOverride(u"http://127.0.0.1:9"_s);
        config.setDeviceID(u"dev-1"_s);
        config.setRole(RemoteDeviceRole::child);
        ScreenTimePolicyStore policies(std::make_unique<ScreenTimePolicyRepository>());
        policies.update([](ScreenTimePolicy& policy) { policy.dailyLimitMinutes = 60; });
        MacAppSelectionStore selection(defaults);
        selection.setPayload({ { u"com.example.game"_s }, {}, {}, u"mac"_s });
        MacUsageMonitorService monitor(defaults, clock, workspace);
        monitor.raiseTodayUsage(55 * 60);
        RecordingOverlay overlay;
        MacLocalLockGuard guard(config, policies, selection, monitor, overlay, notifications, defaults,
                                clock);
        QPointer<MacLockWarningBanner> banner;
        guard.presentBanner = [&](const QString& text) {
            banner = MacLockWarningBanner::present(text, PlatformDefaults::workspace());
        };

        guard.evaluate();
        guard.evaluate();
        QCOMPARE(notifications.requests().size(), 1);
        QVERIFY(banner);
        QCOMPARE(banner->text(), notifications.requests().first().body);
        const auto window = quint32(banner->winId());
        QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(m_display, window), u"IsViewable"_s, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(X11TestTools::stackingIndex(m_display, window)
                                     > X11TestTools::stackingIndex(m_display, game),
                                 2000);

        // A window that bypasses the window manager itself is stacked above at once; the banner
        // puts itself back on top within half a second.
        QWidget cover(nullptr,
                      Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
                          | Qt::WindowDoesNotAcceptFocus);
        cover.setAttribute(Qt::WA_ShowWithoutActivating);
        cover.setGeometry(QGuiApplication::primaryScreen()->geometry());
        cover.show();
        const auto coverWindow = quint32(cover.winId());
        QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(m_display, coverWindow), u"IsViewable"_s, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(X11TestTools::stackingIndex(m_display, window)
                                     > X11TestTools::stackingIndex(m_display, coverWindow),
                                 1500);
        cover.hide();
        // The banner took no focus: the child's keys still reach the game.
        X11TestTools::run(m_display, u"xdotool"_s, { u"type"_s, u"b"_s });
        QTRY_VERIFY_WITH_TIMEOUT((received += probe.readAllStandardOutput()).contains("key b"), 3000);
        // The child brings the game forward: the banner stays on top.
        X11TestTools::run(m_display, u"xdotool"_s,
                          { u"windowactivate"_s, u"--sync"_s, QString::number(game) });
        X11TestTools::run(m_display, u"xdotool"_s, { u"windowraise"_s, QString::number(game) });
        QTest::qWait(700);
        QVERIFY2(X11TestTools::stackingIndex(m_display, window)
                     > X11TestTools::stackingIndex(m_display, game),
                 qPrintable(u"%1 vs %2"_s.arg(X11TestTools::stackingIndex(m_display, window))
                                .arg(X11TestTools::stackingIndex(m_display, game))));
        QCOMPARE(X11TestTools::mapState(m_display, window), u"IsViewable"_s);

        // A few seconds later it is gone by itself, and no second notification came.
        QTRY_VERIFY_WITH_TIMEOUT(!banner, MacLockWarningBanner::visibleMs + 2000);
        guard.evaluate();
        QCOMPARE(notifications.requests().size(), 1);
        probe.kill();
        probe.waitForFinished();
    }
};

QTEST_MAIN(TestLockWarningBannerX11)
#include "TestLockWarningBannerX11.moc"
