#include "Platform/Linux/GnomeShellWorkspace.h"
#include "support/GnomeShellSession.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// Plays the application's side of the lock: the extension's buttons call back into it.
class LockClient : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.vantorel.LockClient1")

public:
    QStringList passwords;
    int unlockRequests = 0;

public Q_SLOTS:
    bool TryParentPassword(const QString& password)
    {
        passwords.append(password);
        return password == u"right"_s;
    }
    void RequestUnlock() { ++unlockRequests; }
};

class TestGnomeShellWorkspace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lockLayerTakesEveryKeyAndAsksTheApplication();
    void frontmostIsTheFocusedWindowsEntry();
    void hideMinimisesUntilNothingIsLeft();
    void withoutTheExtensionNothingIsSeen();

private:
    QDBusMessage shield(const QString& method, const QVariantList& arguments = {});
    // Lines the window printed since the last look.
    QString typedIntoWindow();

    GnomeShellSession m_session;
    QProcess* m_window = nullptr;
};

void TestGnomeShellWorkspace::initTestCase()
{
    if (QString why; !GnomeShellSession::available(&why)) {
        if (qEnvironmentVariableIsSet("CI")) {
            QFAIL(qPrintable(why));
        }
        QSKIP(qPrintable(why));
    }
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QVERIFY2(m_session.start(), qPrintable(m_session.errorString()));
    const auto applications = m_session.home() + u"/.local/share/applications"_s;
    QVERIFY(QDir().mkpath(applications));
    QFile entry(applications + u"/org.example.Game.desktop"_s);
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Game\nExec=game\n");
    entry.close();
    qputenv("XDG_DATA_HOME", (m_session.home() + u"/.local/share"_s).toUtf8());

    // One window for the whole test: headless mutter gives no keyboard to a window started after
    // the focused one went away.
    m_window = m_session.startWindow(u"org.example.Game"_s);
    QVERIFY(m_window);
}

QDBusMessage TestGnomeShellWorkspace::shield(const QString& method, const QVariantList& arguments)
{
    auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(GnomeShellWorkspace::service),
                                         QString::fromLatin1(GnomeShellWorkspace::objectPath),
                                         QString::fromLatin1(GnomeShellWorkspace::interfaceName), method);
    message.setArguments(arguments);
    return m_session.bus().call(message);
}

QString TestGnomeShellWorkspace::typedIntoWindow()
{
    QTest::qWait(300);
    return QString::fromUtf8(m_window->readAllStandardOutput());
}

void TestGnomeShellWorkspace::frontmostIsTheFocusedWindowsEntry()
{
    GnomeShellWorkspace workspace(m_session.bus());
    QTRY_VERIFY_WITH_TIMEOUT(workspace.frontmostApplication().has_value(), 5000);
    const auto front = *workspace.frontmostApplication();
    QCOMPARE(front.bundleIdentifier, u"org.example.Game"_s);
    QCOMPARE(front.localizedName, u"Game"_s);
    QCOMPARE(front.processIdentifier, m_window->processId());
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::gnomeExtension));

    int changes = 0;
    workspace.watchWindows([&changes] { ++changes; });
    auto* other = m_session.startWindow(u"org.example.Other"_s);
    QVERIFY(other);
    QTRY_VERIFY_WITH_TIMEOUT(changes > 0, 5000);
    const auto running = workspace.runningApplications();
    QVERIFY(std::any_of(running.cbegin(), running.cend(),
                        [other](const auto& app) { return app.processIdentifier == other->processId(); }));
}

void TestGnomeShellWorkspace::hideMinimisesUntilNothingIsLeft()
{
    GnomeShellWorkspace workspace(m_session.bus());
    RunningApplication game;
    game.processIdentifier = m_window->processId();
    QVERIFY(workspace.hide(game));
    QTRY_VERIFY_WITH_TIMEOUT(!workspace.hide(game), 3000);

    RunningApplication ourselves;
    ourselves.processIdentifier = QCoreApplication::applicationPid();
    QVERIFY(!workspace.hide(ourselves));
}

void TestGnomeShellWorkspace::lockLayerTakesEveryKeyAndAsksTheApplication()
{
    // The game has the focus: it is what the keys would reach without the lock.
    GnomeShellWorkspace workspace(m_session.bus());
    const auto gameInFront = [&] {
        const auto front = workspace.frontmostApplication();
        return front && front->processIdentifier == m_window->processId();
    };
    QTRY_VERIFY_WITH_TIMEOUT(m_session.input({ u"click"_s }) && gameInFront(), 15000);

    LockClient client;
    auto bus = m_session.bus();
    QVERIFY(
        bus.registerObject(u"/com/corvane/vantorel/LockClient"_s, &client, QDBusConnection::ExportAllSlots));
    const QMap<QString, QString> texts { { u"title"_s, u"岚哨"_s },
                                         { u"reason"_s, u"今日使用时间已用完"_s },
                                         { u"requestButton"_s, u"向家长申请解锁"_s },
                                         { u"passwordButton"_s, u"家长在身边时，输入家长密码立即解锁"_s },
                                         { u"passwordWrong"_s, u"家长密码不正确"_s } };
    const auto shown = shield(u"ShowLock"_s, { QVariant::fromValue(texts) });
    QCOMPARE(shown.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(shown.arguments().value(0).toBool(), true);
    QVERIFY2(!workspace.frontmostApplication(), "an application counts as in use under the lock");

    QVERIFY(m_session.input({ u"wrong"_s, u"return"_s }));
    QTRY_COMPARE_WITH_TIMEOUT(client.passwords, QStringList { u"wrong"_s }, 5000);
    QVERIFY2(!typedIntoWindow().contains(u"typed"_s), "a key reached the window under the lock");

    QVERIFY(shield(u"HideLock"_s).type() == QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(gameInFront(), 5000);
    bus.unregisterObject(u"/com/corvane/vantorel/LockClient"_s);
}

void TestGnomeShellWorkspace::withoutTheExtensionNothingIsSeen()
{
    // The system bus of the session has no shell on it.
    const auto address = m_session.environment().value(u"DBUS_SYSTEM_BUS_ADDRESS"_s);
    GnomeShellWorkspace workspace(QDBusConnection::connectToBus(address, u"no-shell"_s));
    QVERIFY(!workspace.extensionAvailable());
    QVERIFY(!workspace.frontmostApplication());
    QVERIFY(workspace.runningApplications().isEmpty());
    QVERIFY(!workspace.enforcementLimitation().isEmpty());
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::processOnly));
    QVERIFY(workspace.desktopExtensionMissing());
}

QTEST_GUILESS_MAIN(TestGnomeShellWorkspace)
#include "TestGnomeShellWorkspace.moc"
