#include "Platform/Linux/PkexecAdminRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The runner is driven with stand-ins for pkexec that answer the way it can answer.
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
};

QTEST_GUILESS_MAIN(TestAdminRunner)
#include "TestAdminRunner.moc"
