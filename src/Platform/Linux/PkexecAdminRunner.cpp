#include "Platform/Linux/PkexecAdminRunner.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

using namespace Qt::StringLiterals;

PkexecAdminRunner::PkexecAdminRunner(std::chrono::milliseconds timeout)
    : PkexecAdminRunner(u"pkexec"_s, { u"/bin/bash"_s, u"-s"_s }, timeout)
{
}

PkexecAdminRunner::PkexecAdminRunner(QString program, QStringList arguments,
                                     std::chrono::milliseconds timeout)
    : m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_timeout(timeout)
{
}

QByteArray PkexecAdminRunner::standardInput(const QString& script)
{
    return "{\n" + script.toUtf8() + "\n}\n";
}

bool PkexecAdminRunner::run(const QString& script)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());

    QEventLoop loop;
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            loop.quit();
        }
    });

    process.start(m_program, m_arguments);
    if (!process.waitForStarted()) {
        return false;
    }
    process.write(standardInput(script));
    process.closeWriteChannel();

    timer.start(m_timeout);
    if (process.state() != QProcess::NotRunning) {
        loop.exec();
    }
    if (timedOut || process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
