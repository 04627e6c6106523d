#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

class QTcpSocket;

// Every open client connection of the server, whatever address it came in on, with where it
// stands: so that a connection that sends nothing, or stops half-way, is closed after a time-out,
// and so that a flood of them can never take the last free place from a client with a request.
class ConnectionTable final : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int headerTimeoutMs = 10 * 1000;
        int idleTimeoutMs = 60 * 1000;
        int maximumConnections = 4096;
    };
    enum class Phase
    {
        // Between requests (or before the first one).
        Idle,
        // Part of a request head has arrived.
        Head,
        // The head is in, its body is arriving.
        Body
    };

    explicit ConnectionTable(Limits limits, QObject* parent = nullptr);

    const Limits& limits() const { return m_limits; }
    qsizetype size() const { return m_entries.size(); }

    // Makes a place for one more connection, closing the one idle the longest when the table is
    // full; false when every connection is busy with a request, and the new one must be refused.
    bool makeRoom();
    // Closes the connection idle the longest; false when there is none.
    bool closeLongestIdle();
    void add(QTcpSocket* socket);
    void setPhase(QTcpSocket* socket, Phase phase);
    // A busy connection has a request the server is answering: it has no time-out and is never
    // closed to make room.
    void setBusy(QTcpSocket* socket, bool busy);

private:
    struct Entry
    {
        Phase phase = Phase::Idle;
        // When the current phase began (Idle, Head) or its last byte arrived (Body).
        qint64 since = 0;
        bool busy = false;
        // No request has arrived yet: the header time-out applies to the silence.
        bool fresh = true;
    };

    qint64 now() const { return m_clock.elapsed(); }
    qint64 deadline(const Entry& entry) const;
    void sweep();

    Limits m_limits;
    QHash<QTcpSocket*, Entry> m_entries;
    QElapsedTimer m_clock;
    QTimer m_sweep;
};
