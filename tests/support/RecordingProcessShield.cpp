#include "support/RecordingProcessShield.h"

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
