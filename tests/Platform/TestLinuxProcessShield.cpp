#include "Platform/Linux/LinuxProcessShield.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// Which processes the shield may signal, and that a process ignoring SIGTERM still ends.
class TestLinuxProcessShield : public QObject
{
    Q_OBJECT

private slots:
    void stop_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("asked");
        QTest::newRow("this process") << u"self"_s << false;
        QTest::newRow("another user's process") << u"other user"_s << false;
        QTest::newRow("a child that ignores SIGTERM") << u"stubborn"_s << true;
    }

    void stop()
    {
        QFETCH(QString, target);
        QFETCH(bool, asked);
        QProcess child;
        qint64 pid = QCoreApplication::applicationPid();
        if (target == u"other user"_s) {
            if (::getuid() != 0) {
                QSKIP("needs root to start a process as another user");
            }
            child.start(u"setpriv"_s,
                        { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"sleep"_s, u"30"_s });
        } else if (target == u"stubborn"_s) {
            child.start(u"sh"_s, { u"-c"_s, u"trap '' TERM; while :; do sleep 0.05; done"_s });
        }
        if (child.state() != QProcess::NotRunning) {
            QVERIFY(child.waitForStarted());
            pid = child.processId();
            QTest::qWait(200); // setpriv has become the sleeping process, the trap is set
        }
        LinuxProcessShield shield({}, 300);
        QCOMPARE(shield.stop({ pid }) == QList<qint64> { pid }, asked);
        if (child.processId() != 0) {
            // Past the grace the asked one has ended, whether it listened or not.
            QTest::qWait(700);
            QCOMPARE(child.state() == QProcess::NotRunning, asked);
            child.kill();
            child.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestLinuxProcessShield)
#include "TestLinuxProcessShield.moc"
