#include "Platform/Clock.h"
#include "Platform/Linux/X11Workspace.h"
#include "Services/MacUsageMonitorService.h"
#include "support/MemoryUserDefaults.h"
#include "support/XvfbServer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// Today's count against the time a real controlled window was in front on a real X server.
class TestUsageCountingX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("needs an X display (run through scripts/test.sh)");
        }
    }

    void countsTheTimeInFront_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("inFrontMs");
        // Sixty looks, as a minute has at the three-second period, at a shorter period.
        QTest::newRow("sixty looks") << 100 << 6000;
    }

    void countsTheTimeInFront()
    {
        QFETCH(int, intervalMs);
        QFETCH(int, inFrontMs);
        const QByteArray display = qgetenv("DISPLAY");
        QProcess game;
        game.start(u"xmessage"_s, { u"-name"_s, u"countedgame"_s, u"a controlled game"_s });
        QVERIFY(game.waitForStarted());
        const auto window = X11TestTools::windowNamed(display, u"countedgame"_s);
        QVERIFY(window != 0);
        X11TestTools::run(display, u"xdotool"_s,
                          { u"windowactivate"_s, u"--sync"_s, QString::number(window) });
        X11Workspace workspace(display);
        QTRY_VERIFY(workspace.frontmostApplication()
                    && workspace.frontmostApplication()->processIdentifier == game.processId());

        MemoryUserDefaults defaults(MemoryUserDefaults::Install::No);
        MacUsageMonitorService monitor(defaults, Clock::current(), workspace);
        monitor.setMonotonicSource(&MacUsageMonitorService::steadyMilliseconds);
        monitor.setPollInterval(std::chrono::milliseconds(intervalMs));
        const QString path = QFileInfo(u"/usr/bin/xmessage"_s).canonicalFilePath();
        QElapsedTimer inFront;
        inFront.start();
        monitor.start({ {}, {}, { path }, u"mac"_s });
        QTest::qWait(inFrontMs);
        monitor.stop();
        const qint64 actual = inFront.elapsed();
        game.kill();
        game.waitForFinished();

        const qint64 counted = monitor.todayUsageMilliseconds();
        QVERIFY2(qAbs(counted - actual) <= actual / 100,
                 qPrintable(u"counted %1 ms of %2 ms in front"_s.arg(counted).arg(actual)));
    }
};

QTEST_MAIN(TestUsageCountingX11)
#include "TestUsageCountingX11.moc"
