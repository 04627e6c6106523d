#include "App/MacChildGuard.h"
#include "App/MacChildGuardDelegate.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/Linux/LinuxChildGuard.h"
#include "support/FixedAppBundle.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingAdminRunner.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/SettableClock.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using TerminateReply = MacChildGuard::TerminateReply;

Q_DECLARE_METATYPE(TerminateReply)

namespace {
const QDateTime kNow(QDate(2026, 12, 6), QTime(2, 0), Qt::UTC);
const double kNowSeconds = double(kNow.toSecsSinceEpoch());
} // namespace

class TestMacChildGuard : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.emplace();
        QVERIFY(m->root.isValid());
        QFile file(m->bundle.bundlePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("binary");
    }
    void cleanup() { m.reset(); }

    // The 24 h throttle counts from the last prompt, whatever its answer; a prompt in the future
    // (the clock was set back) waits too.
    void installPrompt_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("markerPresent");
        QTest::addColumn<QVariant>("lastPrompt");
        QTest::addColumn<bool>("prompts");

        const QVariant none;
        QTest::newRow("child, never asked") << u"child"_s << false << none << true;
        QTest::newRow("child, asked a second less than a day ago")
            << u"child"_s << false << QVariant(kNowSeconds - 86399) << false;
        QTest::newRow("child, asked a day ago")
            << u"child"_s << false << QVariant(kNowSeconds - 86400) << true;
        QTest::newRow("child, last prompt in the future")
            << u"child"_s << false << QVariant(kNowSeconds + 3600) << false;
        QTest::newRow("child, guard already on") << u"child"_s << true << none << false;
        QTest::newRow("parent") << u"parent"_s << false << none << false;
        QTest::newRow("role in other case") << u"Child"_s << false << none << false;
    }
    void installPrompt()
    {
        QFETCH(QString, role);
        QFETCH(bool, markerPresent);
        QFETCH(QVariant, lastPrompt);
        QFETCH(bool, prompts);
        m->defaults.setString(MacChildGuard::roleKey, role);
        if (lastPrompt.isValid()) {
            m->defaults.setObject(MacChildGuard::lastPromptKey, lastPrompt);
        }
        if (markerPresent) {
            placeMarker();
        }
        // Stored before the prompt: a refused or crashed prompt is not asked again at once.
        std::optional<double> storedAtPrompt;
        m->runner.setOnRun(
            [&](const QString&) { storedAtPrompt = m->defaults.doubleValue(MacChildGuard::lastPromptKey); });
        m->runner.setResult(false);

        m->childGuard.installIfNeeded();

        QCOMPARE(m->runner.scripts().size(), prompts ? 1 : 0);
        if (prompts) {
            QCOMPARE(storedAtPrompt, std::optional<double>(kNowSeconds));
            QCOMPARE(m->runner.scripts().constFirst(),
                     m->guard.installScript(m->bundle.bundlePath(),
                                            LinuxChildGuard::sha256OfFile(m->bundle.bundlePath())));
        } else {
            QCOMPARE(m->defaults.object(MacChildGuard::lastPromptKey), lastPrompt);
        }
    }

    void startsAtLogin_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("deviceID");
        QTest::addColumn<bool>("markerPresent");
        QTest::addColumn<bool>("starts");

        QTest::newRow("bound child, guard off") << u"child"_s << u"d1"_s << false << true;
        QTest::newRow("bound child, keeper starts it") << u"child"_s << u"d1"_s << true << false;
        QTest::newRow("child not bound yet") << u"child"_s << QString() << false << false;
        QTest::newRow("bound parent") << u"parent"_s << u"d1"_s << false << false;
    }
    void startsAtLogin()
    {
        QFETCH(QString, role);
        QFETCH(QString, deviceID);
        QFETCH(bool, markerPresent);
        QFETCH(bool, starts);
        if (!role.isEmpty()) {
            m->defaults.setString(MacChildGuard::roleKey, role);
        }
        if (!deviceID.isEmpty()) {
            m->defaults.setString(RemoteBackendConfig::deviceIDKey, deviceID);
        }
        if (markerPresent) {
            placeMarker();
        }
        QCOMPARE(MacChildGuard::startsAtLogin(m->guard), starts);
    }

    void quitDecision_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("markerPresent");
        QTest::addColumn<bool>("passwordSet");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("adminSucceeds");
        QTest::addColumn<TerminateReply>("reply");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("tearsDown");

        const QString ask = u"退出岚哨需要家长密码"_s;
        const auto now = TerminateReply::terminateNow;
        const auto cancel = TerminateReply::terminateCancel;
        QTest::newRow("parent with a marker")
            << u"parent"_s << true << true << 0 << u"pw"_s << true << now << QStringList() << false;
        QTest::newRow("child without a marker")
            << u"child"_s << false << true << 0 << u"pw"_s << true << now << QStringList() << false;
        QTest::newRow("no password set") << u"child"_s << true << false << 0 << u"pw"_s << true << cancel
                                         << QStringList { u"无法退出"_s } << false;
        QTest::newRow("cancel pressed")
            << u"child"_s << true << true << 1 << u"pw"_s << true << cancel << QStringList { ask } << false;
        QTest::newRow("wrong password") << u"child"_s << true << true << 0 << u"pw "_s << true << cancel
                                        << QStringList { ask, u"家长密码不正确"_s } << false;
        QTest::newRow("admin prompt refused")
            << u"child"_s << true << true << 0 << u"pw"_s << false << cancel << QStringList { ask } << true;
        QTest::newRow("right password, removal ran")
            << u"child"_s << true << true << 0 << u"pw"_s << true << now << QStringList { ask } << true;
    }
    void quitDecision()
    {
        QFETCH(QString, role);
        QFETCH(bool, markerPresent);
        QFETCH(bool, passwordSet);
        QFETCH(int, button);
        QFETCH(QString, typed);
        QFETCH(bool, adminSucceeds);
        QFETCH(TerminateReply, reply);
        QFETCH(QStringList, messages);
        QFETCH(bool, tearsDown);

        m->defaults.setString(MacChildGuard::roleKey, role);
        if (markerPresent) {
            placeMarker();
        }
        if (passwordSet) {
            ParentalPasswordStore(std::make_unique<ParentalPasswordRepository>(), m->keychain, m->defaults)
                .setupPassword(u"pw"_s);
        }
        m->alerts.setNextAnswer(button, typed);
        m->runner.setResult(adminSucceeds);

        MacChildGuardDelegate delegate(m->childGuard, m->network);
        QCOMPARE(delegate.applicationShouldTerminate(), reply);

        QStringList shown;
        for (const auto& alert : m->alerts.shown()) {
            shown.append(alert.message);
        }
        QCOMPARE(shown, messages);
        QCOMPARE(m->runner.scripts(), tearsDown ? QStringList { m->guard.teardownScript() } : QStringList());
    }

    void quitEventIsSwallowedOnlyWhenCancelled()
    {
        MacChildGuardDelegate delegate(m->childGuard, m->network);
        QEvent quit(QEvent::Quit);
        m->defaults.setString(MacChildGuard::roleKey, u"child"_s);
        QVERIFY(!delegate.eventFilter(QCoreApplication::instance(), &quit));
        placeMarker();
        QVERIFY(delegate.eventFilter(QCoreApplication::instance(), &quit));
        QEvent other(QEvent::Timer);
        QVERIFY(!delegate.eventFilter(QCoreApplication::instance(), &other));
    }

private:
    void placeMarker()
    {
        QVERIFY(QDir().mkpath(m->guard.markerDirectory()));
        QFile marker(m->guard.markerFile());
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write(m->guard.installedAppPath().toUtf8());
    }

    // A child computer with a Linux guard under a folder of its own, an application file to copy,
    // and the admin prompt and alerts scripted.
    struct Fixture
    {
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        SettableClock clock { kNow };
        RecordingAdminRunner runner;
        ScriptedAlertPresenter alerts;
        QTemporaryDir root;
        LinuxChildGuard guard { LinuxChildGuard::Options { root.path() } };
        FixedAppBundle bundle { u"7"_s, root.filePath(u"vantorel"_s) };
        MacChildGuard childGuard { guard, runner, bundle, alerts, keychain };
        QNetworkAccessManager network;
    };
    std::optional<Fixture> m;
};

QTEST_GUILESS_MAIN(TestMacChildGuard)
#include "TestMacChildGuard.moc"
