#include "support/RecordingProcessShield.h"

RecordingProcessShield::RecordingProcessShield(Install install)
    : m_installed(install == Install::AsShared)
{
    if (m_installed) {
        ProcessShield::setShared(this);
    }
}

RecordingProcessShield::~RecordingProcessShield()
{
    if (m_installed) {
        ProcessShield::setShared(nullptr);
    }
}

QList<qint64> RecordingProcessShield::processesRunning(const QStringList& executables)
{
    QList<qint64> found;
    for (const auto& executable : executables) {
        found += processesByExecutable.value(executable);
    }
    return found;
}

QList<qint64> RecordingProcessShield::stop(const QList<qint64>& processes)
{
    stopped += processes;
    return processes;
}
