#include "Platform/Linux/LogindSessionActivity.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The session's state as a stand-in logind (python3-dbusmock's) answers it on a private bus.
class TestLogindSessionActivity : public QObject
{
    Q_OBJECT

    QProcess m_bus;
    QProcess m_logind;
    std::optional<QDBusConnection> m_connection;

    static void startChild(QProcess& process, const QString& program, const QStringList& arguments)
    {
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start(program, arguments);
    }

private slots:
    void initTestCase()
    {
        if (QProcess::execute(u"/usr/bin/python3"_s, { u"-c"_s, u"import dbusmock"_s }) != 0) {
            QSKIP("python3-dbusmock is not installed");
        }
        startChild(m_bus, u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
        QVERIFY(m_bus.waitForReadyRead(10000));
        const auto address = QString::fromUtf8(m_bus.readLine()).trimmed();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, address);
        m_logind.setProcessEnvironment(environment);
        startChild(m_logind, u"/usr/bin/python3"_s,
                   { u"-m"_s, u"dbusmock"_s, u"--system"_s, u"--template"_s, u"logind"_s });
        m_connection = QDBusConnection::connectToBus(address, u"logind-test"_s);
        QVERIFY(m_connection->isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(m_connection->interface()->isServiceRegistered(u"org.freedesktop.login1"_s),
                                 10000);
        auto add = QDBusMessage::createMethodCall(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                                                  u"org.freedesktop.DBus.Mock"_s, u"AddSession"_s);
        add << u"c1"_s << u"seat0"_s << uint(::getuid()) << u"child"_s << true;
        QCOMPARE(m_connection->call(add).type(), QDBusMessage::ReplyMessage);
    }

    void cleanupTestCase()
    {
        for (auto* process : { &m_logind, &m_bus }) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    void state_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QVariantMap>("hints");
        QTest::addColumn<SessionActivity::State>("state");
        using State = SessionActivity::State;
        const QVariantMap inUse { { u"Active"_s, true },
                                  { u"IdleHint"_s, false },
                                  { u"LockedHint"_s, false } };
        auto with = [inUse](const QString& key, bool value) {
            auto hints = inUse;
            hints.insert(key, value);
            return hints;
        };
        QTest::newRow("active") << u"c1"_s << inUse << State::inUse;
        QTest::newRow("idle") << u"c1"_s << with(u"IdleHint"_s, true) << State::away;
        QTest::newRow("locked") << u"c1"_s << with(u"LockedHint"_s, true) << State::away;
        QTest::newRow("another session in front") << u"c1"_s << with(u"Active"_s, false) << State::away;
        QTest::newRow("session logind does not know") << u"c9"_s << inUse << State::unknown;
    }

    void state()
    {
        QFETCH(QString, session);
        QFETCH(QVariantMap, hints);
        QFETCH(SessionActivity::State, state);
        auto update = QDBusMessage::createMethodCall(u"org.freedesktop.login1"_s,
                                                     u"/org/freedesktop/login1/session/c1"_s,
                                                     u"org.freedesktop.DBus.Mock"_s, u"UpdateProperties"_s);
        update << u"org.freedesktop.login1.Session"_s << hints;
        QCOMPARE(m_connection->call(update).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(LogindSessionActivity(*m_connection, session).state(), state);
    }
};

QTEST_GUILESS_MAIN(TestLogindSessionActivity)
#include "TestLogindSessionActivity.moc"
