#include "Platform/Linux/X11Workspace.h"
#include "support/XvfbServer.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// A real client of another process on a real X server, with openbox (the display the test
// command provides) and on a private server without a window manager.
class TestX11Workspace : public QObject
{
    Q_OBJECT

    std::unique_ptr<XvfbServer> m_bare;

    QByteArray displayFor(bool managed)
    {
        if (managed) {
            return qgetenv("DISPLAY");
        }
        if (!m_bare) {
            m_bare = std::make_unique<XvfbServer>();
        }
        return m_bare->display();
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("needs an X display (run through scripts/test.sh)");
        }
    }

    void cleanupTestCase() { m_bare.reset(); }

    void frontmostAndHidden_data()
    {
        QTest::addColumn<bool>("managed");
        QTest::newRow("openbox") << true;
        QTest::newRow("no window manager") << false;
    }

    void frontmostAndHidden()
    {
        QFETCH(bool, managed);
        const auto display = displayFor(managed);
        QVERIFY(!display.isEmpty());
        QProcess client;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_s, QString::fromUtf8(display));
        client.setProcessEnvironment(env);
        const auto name = u"probe%1"_s.arg(managed ? u"managed"_s : u"bare"_s);
        client.start(u"xmessage"_s, { u"-name"_s, name, u"controlled application"_s });
        QVERIFY(client.waitForStarted());
        // xmessage sets no _NET_WM_PID: the process must be found through the X resource extension.
        const auto window = X11TestTools::windowNamed(display, name);
        QVERIFY(window != 0);
        X11Workspace workspace(display);
        QVERIFY(workspace.isConnected());
        QVERIFY(workspace.enforcementLimitation().isEmpty() || qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));

        X11TestTools::run(
            display, u"xdotool"_s,
            { managed ? u"windowactivate"_s : u"windowfocus"_s, u"--sync"_s, QString::number(window) });
        const auto expectedPath = QFileInfo(u"/usr/bin/xmessage"_s).canonicalFilePath();
        std::optional<RunningApplication> front;
        QTRY_VERIFY_WITH_TIMEOUT((front = workspace.frontmostApplication())
                                     && front->processIdentifier == client.processId(),
                                 5000);
        QCOMPARE(front->executablePath, expectedPath);
        // No desktop entry claims xmessage: its window class stands in for the identifier.
        QCOMPARE(front->bundleIdentifier, u"Xmessage"_s);
        QCOMPARE(front->localizedName, u"Xmessage"_s);
        QVERIFY2(workspace.lastRoundTrips() <= (managed ? 2 : 3),
                 qPrintable(QString::number(workspace.lastRoundTrips())));

        const auto running = workspace.runningApplications();
        const auto it = std::find_if(running.begin(), running.end(), [&](const RunningApplication& app) {
            return app.processIdentifier == client.processId();
        });
        QVERIFY(it != running.end());
        QVERIFY(it->isRegular);
        QVERIFY(workspace.hide(*it));
        QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(display, window), u"IsUnMapped"_s, 3000);
        // Hidden, not terminated.
        QCOMPARE(client.state(), QProcess::Running);
        client.kill();
        client.waitForFinished();

        // Once the window is gone, asking again is an ordinary answer, not a failure.
        const auto after = workspace.frontmostApplication();
        QVERIFY(!after || after->processIdentifier != client.processId());
    }

    void noDisplayAnswersNothing()
    {
        X11Workspace workspace(":999999");
        QVERIFY(!workspace.isConnected());
        QVERIFY(!workspace.frontmostApplication());
        QVERIFY(workspace.runningApplications().isEmpty());
        QVERIFY(!workspace.enforcementLimitation().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestX11Workspace)
#include "TestX11Workspace.moc"
