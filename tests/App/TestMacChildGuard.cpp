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
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using MacChildGuard::TerminateReply;

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
        m_defaults = std::make_unique<MemoryUserDefaults>();
        m_keychain = std::make_unique<MemorySecureStore>();
        m_clock = std::make_unique<SettableClock>(kNow);
        m_runner = std::make_unique<RecordingAdminRunner>();
        m_alerts = std::make_unique<ScriptedAlertPresenter>();
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_guard = std::make_unique<LinuxChildGuard>(LinuxChildGuard::Options { m_root->path() });
        GuardInstaller::setCurrent(m_guard.get());
        const QString app = m_root->filePath(u"vantorel"_s);
        QFile file(app);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("binary");
        file.close();
        m_bundle = std::make_unique<FixedAppBundle>(u"7"_s, app);
    }
    void cleanup()
    {
        GuardInstaller::setCurrent(nullptr);
        m_bundle.reset();
        m_guard.reset();
        m_root.reset();
        m_alerts.reset();
        m_runner.reset();
        m_clock.reset();
        m_keychain.reset();
        m_defaults.reset();
    }

    void installPrompt_data()
    {
        QTest::addColumn<QVariant>("role");
        QTest::addColumn<bool>("markerPresent");
        QTest::addColumn<QVariant>("lastPrompt");
        QTest::addColumn<bool>("prompts");

        const QVariant none;
        const QVariant child(u"child"_s);
        QTest::newRow("child, never asked") << child << false << none << true;
        QTest::newRow("child, last prompt in the future")
            << child << false << QVariant(kNowSeconds + 3600) << false;
        QTest::newRow("child, guard already on") << child << true << none << false;
        QTest::newRow("parent") << QVariant(u"parent"_s) << false << none << false;
        QTest::newRow("role in other case") << QVariant(u"Child"_s) << false << none << false;
    }
    void installPrompt()
    {
        QFETCH(QVariant, role);
        QFETCH(bool, markerPresent);
        QFETCH(QVariant, lastPrompt);
        QFETCH(bool, prompts);
        if (role.isValid()) {
            m_defaults->setObject(MacChildGuard::roleKey, role);
        }
        if (lastPrompt.isValid()) {
            m_defaults->setObject(MacChildGuard::lastPromptKey, lastPrompt);
        }
        if (markerPresent) {
            placeMarker();
        }
        std::optional<double> storedAtPrompt;
        m_runner->setOnRun(
            [&](const QString&) { storedAtPrompt = m_defaults->doubleValue(MacChildGuard::lastPromptKey); });
        m_runner->setResult(false);

        MacChildGuard::installIfNeeded();

        QCOMPARE(m_runner->scripts().size(), prompts ? 1 : 0);
        if (prompts) {
            QCOMPARE(storedAtPrompt, std::optional<double>(kNowSeconds));
            QCOMPARE(m_runner->scripts().constFirst(),
                     m_guard->installScript(m_bundle->bundlePath(),
                                            LinuxChildGuard::sha256OfFile(m_bundle->bundlePath())));
        } else {
            QCOMPARE(m_defaults->object(MacChildGuard::lastPromptKey), lastPrompt);
        }
    }

    void refusedPromptWaitsADay()
    {
        m_defaults->setString(MacChildGuard::roleKey, u"child"_s);
        m_runner->setResult(false);
        MacChildGuard::installIfNeeded();
        m_clock->advance(86399);
        MacChildGuard::installIfNeeded();
        QCOMPARE(m_runner->scripts().size(), 1);
        m_clock->advance(1);
        MacChildGuard::installIfNeeded();
        QCOMPARE(m_runner->scripts().size(), 2);
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
            m_defaults->setString(MacChildGuard::roleKey, role);
        }
        if (!deviceID.isEmpty()) {
            m_defaults->setString(RemoteBackendConfig::deviceIDKey, deviceID);
        }
        if (markerPresent) {
            placeMarker();
        }
        QCOMPARE(MacChildGuard::startsAtLogin(), starts);
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

        m_defaults->setString(MacChildGuard::roleKey, role);
        if (markerPresent) {
            placeMarker();
        }
        if (passwordSet) {
            ParentalPasswordStore(std::make_unique<ParentalPasswordRepository>()).setupPassword(u"pw"_s);
        }
        m_alerts->setNextAnswer(button, typed);
        m_runner->setResult(adminSucceeds);

        MacChildGuardDelegate delegate;
        QCOMPARE(delegate.applicationShouldTerminate(), reply);

        QStringList shown;
        for (const auto& alert : m_alerts->shown()) {
            shown.append(alert.message);
        }
        QCOMPARE(shown, messages);
        QCOMPARE(m_runner->scripts(), tearsDown ? QStringList { m_guard->teardownScript() } : QStringList());
    }

    void quitEventIsSwallowedOnlyWhenCancelled()
    {
        MacChildGuardDelegate delegate;
        QEvent quit(QEvent::Quit);
        m_defaults->setString(MacChildGuard::roleKey, u"child"_s);
        QVERIFY(!delegate.eventFilter(QCoreApplication::instance(), &quit));
        placeMarker();
        QVERIFY(delegate.eventFilter(QCoreApplication::instance(), &quit));
        QEvent other(QEvent::Timer);
        QVERIFY(!delegate.eventFilter(QCoreApplication::instance(), &other));
    }

private:
    void placeMarker()
    {
        QVERIFY(QDir().mkpath(m_guard->markerDirectory()));
        QFile marker(m_guard->markerFile());
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write(m_guard->installedAppPath().toUtf8());
    }

    std::unique_ptr<MemoryUserDefaults> m_defaults;
    std::unique_ptr<MemorySecureStore> m_keychain;
    std::unique_ptr<SettableClock> m_clock;
    std::unique_ptr<RecordingAdminRunner> m_runner;
    std::unique_ptr<ScriptedAlertPresenter> m_alerts;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<LinuxChildGuard> m_guard;
    std::unique_ptr<FixedAppBundle> m_bundle;
};

QTEST_GUILESS_MAIN(TestMacChildGuard)
#include "TestMacChildGuard.moc"
