#pragma once

#include "Platform/ProcessShield.h"

#include <QHash>

// A process shield that signals nothing: it answers what a test set and records every stop.
class RecordingProcessShield final : public ProcessShield
{
public:
    RecordingProcessShield() = default;
    Q_DISABLE_COPY_MOVE(RecordingProcessShield)

    QHash<quintptr, qint64> windowOwners;
    QHash<QString, QList<qint64>> processesByExecutable;
    QList<qint64> stopped; // every process asked to stop, in order

    qint64 processOfWindow(quintptr window) override { return windowOwners.value(window); }
    QList<qint64> processesRunning(const QStringList& executables) override;
    QList<qint64> stop(const QList<qint64>& processes) override;
};
