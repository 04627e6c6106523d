#include "App/LinuxChildGuard.h"
#include "Platform/Linux/PkexecAdminRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

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
        options.owner = QString::number(getuid()) + u':' + QString::number(getgid());
        m_guard = std::make_unique<LinuxChildGuard>(options);
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

        const QString copy = m_guard->installedAppPath();
        QCOMPARE(readFile(copy), QByteArray("first build"));
        QCOMPARE(QFileInfo(copy).permissions() & 0x7777, QFileDevice::Permissions(0x7755));
        QVERIFY(QFileInfo(m_guard->keeperPath()).isExecutable());
        QVERIFY(readFile(m_guard->keeperPath()).contains(LinuxChildGuard::shellQuoted(copy).toUtf8()));
        QCOMPARE(QString::fromUtf8(readFile(m_guard->unitPath())), m_guard->unitFile() + u"\n"_s);
        QCOMPARE(QFileInfo(m_guard->unitPath()).permissions() & 0x7777, QFileDevice::Permissions(0x6644));
        QCOMPARE(QString::fromUtf8(readFile(m_guard->markerFile())), copy);

        // The stub notes whether the marker already existed when it was called.
        QCOMPARE(readLog(),
                 (QStringList { u"daemon-reload marker=no"_s, u"enable vantorel-guard.service marker=no"_s,
                                u"restart vantorel-guard.service marker=no"_s }));
    }

    void failedStepLeavesNoMarker_data()
    {
        QTest::addColumn<QString>("failingCommand");
        QTest::addColumn<bool>("wrongDigest");
        QTest::newRow("service does not start") << u"restart"_s << false;
        QTest::newRow("service cannot be enabled") << u"enable"_s << false;
        QTest::newRow("copy differs from the running file") << QString() << true;
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

        QVERIFY(!QFile::exists(m_guard->markerFile()));
        QVERIFY(!QFile::exists(m_guard->unitPath()));
        QVERIFY(!QFile::exists(m_guard->keeperPath()));
        QCOMPARE(readFile(m_guard->installedAppPath()), QByteArray("first build"));
        QCOMPARE(readLog(),
                 (QStringList { u"disable vantorel-guard.service marker=yes"_s, u"daemon-reload marker=no"_s,
                                u"stop vantorel-guard.service marker=no"_s }));
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

    void keeperScriptParses()
    {
        QProcess bash;
        bash.start(u"/bin/bash"_s, { u"-n"_s, u"-c"_s, m_guard->keeperScript() });
        QVERIFY(bash.waitForFinished());
        QCOMPARE(bash.exitCode(), 0);
    }

private:
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
    QString m_log;
    QString m_stub;
    QString m_source;
};

QTEST_GUILESS_MAIN(TestLinuxChildGuard)
#include "TestLinuxChildGuard.moc"
