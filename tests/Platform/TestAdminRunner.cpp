#include "Platform/AppleScriptAdminCommand.h"
#include "Platform/Linux/PkexecAdminRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The Linux runner is driven with stand-ins for pkexec that answer the way it can answer; the
// macOS command is checked as text and with an executor that records what it was given.
class TestAdminRunner : public QObject
{
    Q_OBJECT

private slots:
    void exitStatus_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("script runs to the end") << u"/bin/bash"_s << QStringList { u"-s"_s } << true;
        QTest::newRow("prompt dismissed (126)")
            << u"/bin/sh"_s << QStringList { u"-c"_s, u"exit 126"_s } << false;
        QTest::newRow("not authorised (127)")
            << u"/bin/sh"_s << QStringList { u"-c"_s, u"exit 127"_s } << false;
        QTest::newRow("killed") << u"/bin/sh"_s << QStringList { u"-c"_s, u"kill -9 $$"_s } << false;
        QTest::newRow("no such program") << u"/nonexistent/pkexec"_s << QStringList() << false;
    }
    void exitStatus()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(bool, succeeds);
        PkexecAdminRunner runner(program, arguments, std::chrono::seconds(20));
        QCOMPARE(runner.run(u"true"_s), succeeds);
    }

    void failingScriptLineStopsWithFailure()
    {
        PkexecAdminRunner runner(u"/bin/bash"_s, { u"-s"_s }, std::chrono::seconds(20));
        QVERIFY(!runner.run(u"set -e\nfalse\ntrue"_s));
        QVERIFY(!runner.run(u"exit 3"_s));
    }

    // A command inside that reads standard input must not swallow the lines after it.
    void commandsReadingInputDoNotEatTheScript()
    {
        QTemporaryDir directory;
        const QString done = directory.filePath(u"done"_s);
        PkexecAdminRunner runner(u"/bin/bash"_s, { u"-s"_s }, std::chrono::seconds(20));
        QVERIFY(runner.run(u"cat >/dev/null\nread -r line || true\ntouch '"_s + done + u"'"_s));
        QVERIFY(QFile::exists(done));
    }

    void hungPromptTimesOut()
    {
        PkexecAdminRunner runner(u"/bin/sleep"_s, { u"30"_s }, std::chrono::milliseconds(300));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!runner.run(u"true"_s));
        QVERIFY2(timer.elapsed() < 10000, "the runner waited for the whole sleep");
    }

    void appleScriptSource_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("source");
        QTest::newRow("plain")
            << u"/private/var/T/vtl-child-guard-X.sh"_s
            << u"do shell script \"/bin/bash \\\"/private/var/T/vtl-child-guard-X.sh\\\"\" "
               u"with administrator privileges"_s;
        // Backslashes are doubled before quotes are escaped, so "\"" becomes "\\\"" and not "\\\\\"".
        QTest::newRow("quote, blank, backslash, double quote")
            << u"/Users/o'neil/a b\\c\"d.sh"_s
            << u"do shell script \"/bin/bash \\\"/Users/o'neil/a b\\\\c\\\"d.sh\\\"\" with administrator privileges"_s;
    }
    void appleScriptSource()
    {
        QFETCH(QString, path);
        QFETCH(QString, source);
        QCOMPARE(AppleScriptAdminCommand::source(path), source);
    }

    void temporaryScriptPath()
    {
        const QUuid uuid(u"{3f2504e0-4f89-11d3-9a0c-0305e82c3301}"_s);
        QCOMPARE(AppleScriptAdminCommand::temporaryScriptPath(u"/var/folders/T/"_s, uuid),
                 u"/var/folders/T/vtl-child-guard-3F2504E0-4F89-11D3-9A0C-0305E82C3301.sh"_s);
        QCOMPARE(AppleScriptAdminCommand::temporaryScriptPath(u"/tmp"_s, uuid),
                 u"/tmp/vtl-child-guard-3F2504E0-4F89-11D3-9A0C-0305E82C3301.sh"_s);
    }

    void temporaryFileIsGoneWhateverTheOutcome_data()
    {
        QTest::addColumn<bool>("executes");
        QTest::newRow("ran") << true;
        QTest::newRow("refused") << false;
    }
    void temporaryFileIsGoneWhateverTheOutcome()
    {
        QFETCH(bool, executes);
        QTemporaryDir directory;
        QString seenSource;
        QByteArray contentsWhileRunning;
        const bool result = AppleScriptAdminCommand::runWithTemporaryFile(
            u"echo 岚哨"_s, directory.path(), [&](const QString& source) {
                seenSource = source;
                const QStringList files = QDir(directory.path()).entryList(QDir::Files);
                if (files.size() == 1) {
                    QFile file(directory.filePath(files.first()));
                    if (file.open(QIODevice::ReadOnly)) {
                        contentsWhileRunning = file.readAll();
                    }
                }
                return executes;
            });
        QCOMPARE(result, executes);
        QCOMPARE(contentsWhileRunning, u"echo 岚哨"_s.toUtf8());
        QVERIFY(QRegularExpression(u"vtl-child-guard-[0-9A-F-]{36}\\.sh"_s).match(seenSource).hasMatch());
        QVERIFY(QDir(directory.path()).entryList(QDir::Files).isEmpty());
    }

    void unwritableFolderFails()
    {
        bool executed = false;
        QVERIFY(!AppleScriptAdminCommand::runWithTemporaryFile(
            u"true"_s, u"/nonexistent/folder"_s, [&](const QString&) { return executed = true; }));
        QVERIFY(!executed);
    }
};

QTEST_GUILESS_MAIN(TestAdminRunner)
#include "TestAdminRunner.moc"
