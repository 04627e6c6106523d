#pragma once

#include "ApiRoute.h"
#include "DatabaseLocation.h"
#include "DeviceTokenCache.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ServerDatabase;
class StageTimings;
struct ServerHandlers;
struct ServerOptions;

// Threads that run the requests' database work, so that the server reads and answers sockets
// while its database works, and PostgreSQL serves several requests at once. A Qt SQL connection
// belongs to the thread that opened it, so each thread has its own, with handlers and routes on
// it. Jobs (reads) are taken in order by whichever thread is free. One more thread writes, and on
// SQLite another checkpoints the write-ahead log, so that no request waits for the disk.
class DatabasePool final
{
public:
    struct Worker
    {
        std::unique_ptr<ServerDatabase> database;
        std::unique_ptr<ServerHandlers> handlers;
        QList<ApiRoute> routes;
        ~Worker();
    };
    using Job = std::function<void(Worker&)>;
    enum class WriteOutcome
    {
        Committed,
        // Its report found no device to belong to.
        DeviceNotFound,
        Failed
    };
    // What a write leaves to do once the batch it ran in is written.
    using Completion = std::function<void(WriteOutcome)>;
    using Write = std::function<Completion(Worker&)>;

    // `timings`, when given, hears of every batch's commit and every checkpoint.
    DatabasePool(const ServerOptions& options, int threads, StageTimings* timings = nullptr);
    ~DatabasePool();
    Q_DISABLE_COPY_MOVE(DatabasePool)

    // Opens every thread's connection (the first creates or migrates the schema); on failure
    // says why in `error`.
    bool start(QString* error);
    void post(Job job);
    // Writes go to the writer thread, which takes those waiting together: on SQLite, which lets
    // one connection write at a time, in one transaction (one commit for many, and no reader
    // waits behind a writer); on PostgreSQL with their reports in one statement (ReportBatch).
    // The more that wait, the fewer statements and commits each costs: spread over several
    // connections, a machine's cores went to planning and committing small batches.
    void postWrite(Write write);

private:
    bool openWorker(Worker& worker, QString* error);
    void run(Worker& worker);
    void writeInBatches(Worker& worker);
    void writeInTransaction(Worker& worker, std::vector<Write>& writes);
    void writeTogether(Worker& worker, std::vector<Write>& writes);
    void checkpointRegularly(ServerDatabase& database);
    void stop();

    const ServerOptions& m_options;
    int m_size;
    StageTimings* m_timings;
    // Shared by every thread's handlers.
    DeviceTokenCache m_knownTokens;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    std::deque<Write> m_writes;
    std::condition_variable m_writeWake;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    // Its own, so that a job's wake-up never goes to the checkpointer.
    std::condition_variable m_checkpointWake;
};
