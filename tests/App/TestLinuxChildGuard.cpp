#include "Platform/Linux/LinuxChildGuard.h"
#include "Platform/Linux/PkexecAdminRunner.h"
#include "Services/ChildGuardState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ChildGuardState::State)

// Runs the guard's real scripts with bash against a scratch root: every absolute path is under
// a temporary folder, systemctl is a stub that logs its arguments, and the owner is whoever runs
// the test.
class TestLinuxChildGuard : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_log = m_root->filePath(u"systemctl.log"_s);
        m_stub = m_root->filePath(u"systemctl"_s);
        LinuxChildGuard::Options options;
        options.root = m_root->filePath(u"sysroot"_s);
        options.systemctl = m_stub;
        options.dconf = m_stub;
        options.extensionSource = QStringLiteral(VANTOREL_GNOME_EXTENSIONS);
        // Prints what the test puts in shell-version, as `gnome-shell --version` would.
        options.gnomeShell = m_root->filePath(u"gnome-shell"_s);
        writeTool(m_root->path(), u"gnome-shell"_s, u"cat "_s + m_root->filePath(u"shell-version"_s));
        writeFile(m_root->filePath(u"shell-version"_s), "GNOME Shell 43.9\n");
        options.owner = QString::number(getuid()) + u':' + QString::number(getgid());
        m_guard = std::make_unique<LinuxChildGuard>(options);
        m_options = options;
        setStubFailure(QString());

        m_source = m_root->filePath(u"home/kid/o'neil \"x\"\\ 岚哨"_s);
        QVERIFY(QDir().mkpath(QFileInfo(m_source).path()));
        writeFile(m_source, "first build");
    }
    void cleanup()
    {
        m_guard.reset();
        m_root.reset();
    }

    void installPutsEverythingInPlaceAndTheMarkerLast()
    {
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));

        QVERIFY(readFile(m_guard->keeperPath())
                    .contains(LinuxChildGuard::shellQuoted(m_guard->installedAppPath()).toUtf8()));
        QCOMPARE(QString::fromUtf8(readFile(m_guard->unitPath())), m_guard->unitFile() + u"\n"_s);

        // The stub notes whether the marker already existed when it was called.
        QCOMPARE(readLog(),
                 (QStringList { u"update "_s + m_options.root + u"/etc/dconf/db marker=no"_s,
                                u"daemon-reload marker=no"_s, u"enable vantorel-guard.service marker=no"_s,
                                u"restart vantorel-guard.service marker=no"_s }));
    }

    // Each file the guard puts in place, under the scratch root: what it contains, its mode and
    // owner (mode as QFileDevice::Permissions) after the install, and whether the teardown leaves it.
    // `before` is written there first; `linkedFolder` plants a link to a decoy folder where the file's folder
    // goes, as a standard user could if that folder were writable to it.
    void guardFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("keptByTeardown");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("linkedFolder");
        const QString shell = u"/usr/share/gnome-shell/extensions/shield@vantorel.corvane.com/"_s;
        const QString db = u"/etc/dconf/db/local.d/"_s;
        QTest::newRow("copy") << u"/opt/vantorel/vantorel"_s << QByteArray("first build") << 0x7055 << true
                              << QByteArray() << false;
        QTest::newRow("keeper") << u"/usr/local/libexec/vantorel-guard-keeper"_s << QByteArray("#!/bin/bash")
                                << 0x7055 << false << QByteArray() << false;
        QTest::newRow("unit") << u"/etc/systemd/system/vantorel-guard.service"_s << QByteArray("[Service]")
                              << 0x6044 << false << QByteArray() << false;
        QTest::newRow("marker") << u"/var/lib/vantorel/guard.on"_s << QByteArray("/opt/vantorel/vantorel")
                                << 0x6044 << false << QByteArray() << false;
        QTest::newRow("extension") << shell + u"extension.js"_s
                                   << readFile(QStringLiteral(VANTOREL_GNOME_EXTENSION_DIR "/extension.js"))
                                   << 0x6044 << false << QByteArray() << false;
        QTest::newRow("extension folder planted as a link")
            << shell + u"metadata.json"_s << QByteArray("\"uuid\": \"shield@vantorel.corvane.com\"") << 0x6044
            << false << QByteArray() << true;
        QTest::newRow("enabled for every account")
            << db + u"50-vantorel-shield"_s
            << QByteArray("[org/gnome/shell]\nenabled-extensions=['shield@vantorel.corvane.com']\n"
                          "disabled-extensions=@as []\ndisable-user-extensions=false\n")
            << 0x6044 << false << QByteArray() << false;
        QTest::newRow("kept enabled") << db + u"locks/vantorel-shield"_s
                                      << QByteArray("/org/gnome/shell/enabled-extensions\n"
                                                    "/org/gnome/shell/disabled-extensions\n"
                                                    "/org/gnome/shell/disable-user-extensions\n")
                                      << 0x6044 << false << QByteArray() << false;
        QTest::newRow("dconf profile made")
            << u"/etc/dconf/profile/user"_s << QByteArray("user-db:user\nsystem-db:local\n") << 0x6044 << true
            << QByteArray() << false;
        QTest::newRow("administrator's dconf profile kept")
            << u"/etc/dconf/profile/user"_s << QByteArray("user-db:user\nsystem-db:site\nsystem-db:local\n")
            << 0x6044 << true << QByteArray("user-db:user\nsystem-db:site") << false;
    }
    void guardFiles()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QFETCH(bool, keptByTeardown);
        QFETCH(QByteArray, before);
        QFETCH(bool, linkedFolder);
        // Owned by another account than the one running the test where it can give files away.
        auto options = m_options;
        if (::geteuid() == 0) {
            options.owner = u"65534:65534"_s;
        }
        const uint owner = ::geteuid() == 0 ? 65534 : ::getuid();
        const LinuxChildGuard guard(options);
        const QString file = options.root + path;
        const QString folder = QFileInfo(file).path();
        const QString decoy = m_root->filePath(u"decoy"_s);
        QVERIFY(QDir().mkpath(decoy));
        QVERIFY(QDir().mkpath(QFileInfo(folder).path()));
        if (linkedFolder) {
            QVERIFY(QFile::link(decoy, folder));
        }
        if (!before.isEmpty()) {
            QVERIFY(QDir().mkpath(folder));
            writeFile(file, before);
        }

        QVERIFY(run(guard.installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        const QFileInfo installed(file);
        QVERIFY2(readFile(file).contains(content), readFile(file).constData());
        QCOMPARE(int(installed.permissions() & 0x7077), mode);
        QCOMPARE(installed.ownerId(), owner);
        QVERIFY(!QFileInfo(folder).isSymLink());
        QCOMPARE(QDir(decoy).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

        QVERIFY(run(guard.teardownScript()));
        QCOMPARE(QFile::exists(file), keptByTeardown);
        QVERIFY(QFileInfo::exists(decoy));
    }

    // The variant installed for the Shell found, and what the keeper's next look does once that
    // Shell was replaced.
    void extensionMatchesTheShell_data()
    {
        QTest::addColumn<QByteArray>("shell");
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QByteArray>("laterShell");
        QTest::addColumn<QString>("laterVariant");
        QTest::newRow("43 upgraded to 46")
            << QByteArray("GNOME Shell 43.9") << u"42"_s << QByteArray("GNOME Shell 46.0") << u"45"_s;
        QTest::newRow("newer than any variant, then 44")
            << QByteArray("GNOME Shell 49.alpha") << u"45"_s << QByteArray("GNOME Shell 44.2") << u"42"_s;
        QTest::newRow("older than any variant, then 48")
            << QByteArray("GNOME Shell 40.1") << u"42"_s << QByteArray("GNOME Shell 48.0") << u"45"_s;
        QTest::newRow("no Shell, then 42")
            << QByteArray() << u"45"_s << QByteArray("GNOME Shell 42.9") << u"42"_s;
    }
    void extensionMatchesTheShell()
    {
        QFETCH(QByteArray, shell);
        QFETCH(QString, variant);
        QFETCH(QByteArray, laterShell);
        QFETCH(QString, laterVariant);
        auto shipped = [](const QString& name) {
            return readFile(QStringLiteral(VANTOREL_GNOME_EXTENSIONS "/") + name + u'/'
                            + LinuxChildGuard::extensionUuid + u"/extension.js"_s);
        };
        const QString installed = m_guard->extensionDirectory() + u"/extension.js"_s;
        writeFile(m_root->filePath(u"shell-version"_s), shell);
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        QCOMPARE(readFile(installed), shipped(variant));

        writeFile(m_root->filePath(u"shell-version"_s), laterShell);
        QCOMPARE(QProcess::execute(u"/bin/bash"_s, { m_guard->keeperPath(), u"--sync-shield"_s }), 0);
        QCOMPARE(readFile(installed), shipped(laterVariant));
    }

    void failedStepLeavesNoMarker_data()
    {
        QTest::addColumn<QString>("failingCommand");
        QTest::addColumn<bool>("wrongDigest");
        QTest::newRow("service does not start") << u"restart"_s << false;
        QTest::newRow("service cannot be enabled") << u"enable"_s << false;
        QTest::newRow("copy differs from the running file") << QString() << true;
        QTest::newRow("the extension's lock cannot be compiled") << u"update"_s << false;
    }
    void failedStepLeavesNoMarker()
    {
        QFETCH(QString, failingCommand);
        QFETCH(bool, wrongDigest);
        setStubFailure(failingCommand);
        const QString digest = wrongDigest ? QString(64, u'0') : LinuxChildGuard::sha256OfFile(m_source);

        QVERIFY(!run(m_guard->installScript(m_source, digest)));
        QVERIFY(!QFile::exists(m_guard->markerFile()));
        QCOMPARE(QFile::exists(m_guard->installedAppPath()), !wrongDigest);
    }

    void teardownRemovesGuardButKeepsTheCopy()
    {
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        QFile::remove(m_log);

        QVERIFY(run(m_guard->teardownScript()));

        QCOMPARE(readLog(),
                 (QStringList { u"disable vantorel-guard.service marker=yes"_s,
                                u"update "_s + m_options.root + u"/etc/dconf/db marker=no"_s,
                                u"daemon-reload marker=no"_s, u"stop vantorel-guard.service marker=no"_s }));
    }

    void teardownWithoutServiceManagerStillRemovesTheMarker()
    {
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        setStubFailure(u"*"_s);
        QVERIFY(run(m_guard->teardownScript()));
        QVERIFY(!QFile::exists(m_guard->markerFile()));
    }

    void updateReplacesTheCopyOnlyWithTheDownloadedBytes()
    {
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        const QString image = m_root->filePath(u"corvane-update.dmg"_s);
        writeFile(image, "second build");

        QVERIFY(!run(m_guard->updateScript(image, LinuxChildGuard::sha256OfFile(m_source))));
        QCOMPARE(readFile(m_guard->installedAppPath()), QByteArray("first build"));

        QVERIFY(run(m_guard->updateScript(image, LinuxChildGuard::sha256OfFile(image))));
        QCOMPARE(readFile(m_guard->installedAppPath()), QByteArray("second build"));
        QVERIFY(QFileInfo(m_guard->installedAppPath()).isExecutable());
    }

    // What the health report says of the guard, from what is on the computer: the marker, a
    // keeper among the running processes, and the means to install it.
    void state_data()
    {
        QTest::addColumn<bool>("pkexec");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("keeperRuns");
        QTest::addColumn<ChildGuardState::State>("state");
        QTest::newRow("fresh computer without pkexec")
            << false << false << false << ChildGuardState::State::unavailable;
        QTest::newRow("ready to install") << true << false << false << ChildGuardState::State::notInstalled;
        QTest::newRow("installed, keeper at work") << true << true << true << ChildGuardState::State::running;
        QTest::newRow("installed, keeper gone") << true << true << false << ChildGuardState::State::stopped;
    }
    void state()
    {
        QFETCH(bool, pkexec);
        QFETCH(bool, installed);
        QFETCH(bool, keeperRuns);
        QFETCH(ChildGuardState::State, state);
        auto options = m_options;
        options.pkexec = pkexec ? m_stub : m_root->filePath(u"no/pkexec"_s);
        const LinuxChildGuard guard(options);
        if (installed) {
            QVERIFY(run(guard.installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        }
        QProcess keeper;
        if (keeperRuns) {
            startKeeper(keeper, keeperStandIns(u"tty"_s, QString(), true));
        }
        QCOMPARE(guard.state(), state);
        keeper.kill();
        keeper.waitForFinished();
    }

    // The keeper with stand-ins for loginctl, getent, pgrep and runuser: runuser logs how it was
    // called and returns at once, as an application that was killed would.
    void keeper_data()
    {
        QTest::addColumn<QString>("sessionType");
        QTest::addColumn<bool>("guardOn");
        QTest::addColumn<bool>("launches");
        QTest::newRow("graphical session") << u"x11"_s << true << true;
        QTest::newRow("text console only") << u"tty"_s << true << false;
        QTest::newRow("marker gone") << u"x11"_s << false << false;
    }
    void keeper()
    {
        QFETCH(QString, sessionType);
        QFETCH(bool, guardOn);
        QFETCH(bool, launches);
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        if (!guardOn) {
            QVERIFY(QFile::remove(m_guard->markerFile()));
        }
        const QString launches_log = m_root->filePath(u"launches.log"_s);
        const QString bin = keeperStandIns(
            sessionType, u"echo \"$*\" >> "_s + LinuxChildGuard::shellQuoted(launches_log), true);
        QProcess keeper;
        startKeeper(keeper, bin);
        if (launches) {
            // Started, ended, and started again.
            QTRY_VERIFY_WITH_TIMEOUT(readFile(launches_log).count('\n') >= 2, 10000);
        } else {
            QTest::qWait(1500);
        }
        keeper.kill();
        keeper.waitForFinished();

        const QStringList lines = QString::fromUtf8(readFile(launches_log)).split(u'\n', Qt::SkipEmptyParts);
        if (!launches) {
            QCOMPARE(lines, QStringList());
            return;
        }
        const QString line = lines.constFirst();
        QVERIFY2(line.startsWith(u"-u kid -- env -i HOME=/home/kid USER=kid LOGNAME=kid"_s),
                 qPrintable(line));
        QVERIFY2(line.contains(u" XDG_RUNTIME_DIR=/run/user/1000 "_s), qPrintable(line));
        QVERIFY2(line.contains(u" DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus "_s),
                 qPrintable(line));
        QVERIFY2(line.contains(u" XDG_SESSION_TYPE="_s + sessionType + u" DISPLAY=:0 "_s), qPrintable(line));
        // In place of a copy already running in the session, never beside it.
        QVERIFY2(line.endsWith(u" "_s + m_guard->installedAppPath() + u" --replace"_s), qPrintable(line));
    }

    // A child kills the application: the keeper, with its real 3-second pause, starts it again
    // within a few seconds. The stand-in for runuser runs a real process that waits like the
    // application would, so the kill is a real SIGKILL of a running process.
    void killedApplicationComesBack()
    {
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        const QString pids = m_root->filePath(u"pids.log"_s);
        const QString bin = keeperStandIns(
            u"x11"_s, u"echo $$ >> "_s + LinuxChildGuard::shellQuoted(pids) + u"\nexec /bin/sleep 60"_s,
            false);
        QProcess keeper;
        startKeeper(keeper, bin);
        auto launched = [&] { return QString::fromUtf8(readFile(pids)).split(u'\n', Qt::SkipEmptyParts); };
        QTRY_COMPARE_WITH_TIMEOUT(launched().size(), 1, 10000);
        const qint64 first = launched().constFirst().toLongLong();
        QVERIFY(first > 0);
        QTest::qWait(500);
        QCOMPARE(launched().size(), 1); // running: not started twice
        QVERIFY(::kill(pid_t(first), SIGKILL) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(launched().size(), 2, 5000);
        keeper.kill();
        keeper.waitForFinished();
        ::kill(pid_t(launched().constLast().toLongLong()), SIGKILL);
    }

    // The child's account cannot delete or replace the root-owned copy, the keeper or the marker.
    // Shown on the scratch root by running the attempts as the unprivileged user "nobody"; the
    // same account can delete a file where it is allowed to, so the refusal is the ownership's.
    void childCannotDeleteTheCopy()
    {
        if (::geteuid() != 0) {
            QSKIP("needs root: the copy must be root-owned and the attempt made as another user");
        }
        if (QStandardPaths::findExecutable(u"runuser"_s).isEmpty()) {
            QSKIP("runuser is not installed");
        }
        QVERIFY(run(m_guard->installScript(m_source, LinuxChildGuard::sha256OfFile(m_source))));
        // The scratch root must be reachable by the other user, as / is.
        QFile::setPermissions(m_root->path(), QFileDevice::Permissions(0x7755));
        auto asChild = [](const QString& command) {
            QProcess process;
            process.start(u"runuser"_s, { u"-u"_s, u"nobody"_s, u"--"_s, u"/bin/sh"_s, u"-c"_s, command });
            process.waitForFinished(10000);
            return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        };
        const QString own = m_root->filePath(u"nobody-home"_s);
        QVERIFY(QDir().mkpath(own));
        writeFile(own + u"/save.txt"_s, "x");
        QVERIFY(::chown(QFile::encodeName(own).constData(), 65534, 65534) == 0);
        QVERIFY(::chown(QFile::encodeName(own + u"/save.txt"_s).constData(), 65534, 65534) == 0);
        QVERIFY(asChild(u"rm -f "_s + LinuxChildGuard::shellQuoted(own + u"/save.txt"_s)));
        QVERIFY(!QFile::exists(own + u"/save.txt"_s));

        const QString copy = LinuxChildGuard::shellQuoted(m_guard->installedAppPath());
        QVERIFY(!asChild(u"rm -f "_s + copy));
        QVERIFY(!asChild(u"cp /bin/true "_s + copy));
        QVERIFY(!asChild(u"mv -f "_s + copy + u" /tmp/"_s));
        QVERIFY(!asChild(u"rm -f "_s + LinuxChildGuard::shellQuoted(m_guard->keeperPath())));
        QVERIFY(!asChild(u"rm -f "_s + LinuxChildGuard::shellQuoted(m_guard->markerFile())));
        QCOMPARE(readFile(m_guard->installedAppPath()), QByteArray("first build"));
        QVERIFY(QFile::exists(m_guard->keeperPath()));
        QVERIFY(QFile::exists(m_guard->markerFile()));
    }

private:
    // Stand-ins for loginctl (one active session of `sessionType` for user kid), getent, pgrep,
    // runuser (`runuserBody`) and, when asked, a short sleep; returns their folder.
    QString keeperStandIns(const QString& sessionType, const QString& runuserBody, bool shortSleep)
    {
        const QString bin = m_root->filePath(u"bin"_s);
        QDir().mkpath(bin);
        if (shortSleep) {
            writeTool(bin, u"sleep"_s, u"exec /bin/sleep 0.1"_s);
        }
        writeTool(bin, u"pgrep"_s, u"exit 1"_s);
        writeTool(bin, u"getent"_s, u"echo 'kid:x:1000:1000::/home/kid:/bin/bash'"_s);
        writeTool(bin, u"loginctl"_s,
                  u"case \"$1 $4\" in\n"_s + u"  'show-seat ActiveSession') echo 7 ;;\n"_s
                      + u"  'show-session Type') echo "_s + sessionType + u" ;;\n"_s
                      + u"  'show-session State') echo active ;;\n"_s
                      + u"  'show-session Name') echo kid ;;\n"_s + u"  'show-session User') echo 1000 ;;\n"_s
                      + u"  'show-session Display') echo :0 ;;\n"_s + u"esac"_s);
        writeTool(bin, u"runuser"_s, runuserBody);
        return bin;
    }

    void startKeeper(QProcess& keeper, const QString& bin)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_s, bin + u":/usr/bin:/bin"_s);
        keeper.setProcessEnvironment(environment);
        keeper.start(u"/bin/bash"_s, { m_guard->keeperPath() });
        QVERIFY(keeper.waitForStarted());
    }

    // Through the runner the application uses, with bash in place of pkexec.
    bool run(const QString& script)
    {
        PkexecAdminRunner runner(u"/bin/bash"_s, { u"-s"_s }, std::chrono::seconds(60));
        return runner.run(script);
    }

    void setStubFailure(const QString& command)
    {
        const QString stub = u"#!/bin/bash\n"_s + u"m=no; [ -e "_s
            + LinuxChildGuard::shellQuoted(m_guard->markerFile()) + u" ] && m=yes\n"_s
            + u"echo \"$* marker=$m\" >> "_s + LinuxChildGuard::shellQuoted(m_log) + u"\n"_s
            + u"case \"$1\" in "_s + (command.isEmpty() ? u"__none__"_s : command) + u") exit 1 ;; esac\n"_s;
        writeFile(m_stub, stub.toUtf8());
        QFile::setPermissions(m_stub,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    static void writeTool(const QString& folder, const QString& name, const QString& body)
    {
        const QString path = folder + u'/' + name;
        writeFile(path, (u"#!/bin/bash\n"_s + body + u"\n"_s).toUtf8());
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QStringList readLog() const
    {
        return QString::fromUtf8(readFile(m_log)).split(u'\n', Qt::SkipEmptyParts);
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<LinuxChildGuard> m_guard;
    LinuxChildGuard::Options m_options;
    QString m_log;
    QString m_stub;
    QString m_source;
};

QTEST_GUILESS_MAIN(TestLinuxChildGuard)
#include "TestLinuxChildGuard.moc"
