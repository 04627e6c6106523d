#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The real application started twice in one user session.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QProcessEnvironment m_environment;
    QTemporaryDir m_home;
    int m_case = 0;

    void start(QProcess& process, const QStringList& arguments)
    {
        process.setProcessEnvironment(m_environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(qEnvironmentVariable("VANTOREL_APP_BINARY"), arguments);
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("VANTOREL_APP_BINARY")) {
            QSKIP("needs the vantorel executable (build the vantorel target)");
        }
        QVERIFY(m_home.isValid());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"HOME"_s, m_home.path());
        m_environment.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
        m_environment.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
        m_environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    }

    // A fresh runtime folder per case: a copy ended by a signal leaves its socket file behind,
    // which would pass for the next first copy's before it listens.
    void init()
    {
        const QString runtime = m_home.filePath(u"run-%1"_s.arg(++m_case));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    }

    void secondStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("secondRuns");
        // How long the first copy has run when the second starts: still launching, or settled in
        // its event loop with the update check under way (whose pending host-name lookup must not
        // hold its exit).
        QTest::addColumn<int>("firstRunsMs");
        QTest::newRow("by hand: hands over to the running copy") << QStringList() << false << 0;
        QTest::newRow("by the guard's keeper, while launching: takes its place")
            << QStringList { u"--replace"_s } << true << 0;
        QTest::newRow("by the guard's keeper, once settled: takes its place")
            << QStringList { u"--replace"_s } << true << 3000;
    }

    void secondStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, secondRuns);
        QFETCH(int, firstRunsMs);
        QProcess first;
        start(first, {});
        const QString socket = m_environment.value(u"XDG_RUNTIME_DIR"_s) + u"/vantorel.socket"_s;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 30000);
        QVERIFY(!first.waitForFinished(firstRunsMs));

        QProcess second;
        start(second, arguments);
        QProcess& ends = secondRuns ? first : second;
        QProcess& runs = secondRuns ? second : first;
        QVERIFY2(ends.waitForFinished(15000), "a second copy is still running");
        QCOMPARE(ends.exitStatus(), QProcess::NormalExit);
        QCOMPARE(ends.exitCode(), 0);
        QVERIFY(!runs.waitForFinished(2000));
        QCOMPARE(runs.state(), QProcess::Running);

        runs.terminate();
        if (!runs.waitForFinished(10000)) {
            runs.kill();
            runs.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
