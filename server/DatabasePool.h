#pragma once

#include "ApiRoute.h"
#include "DatabaseLocation.h"
#include "DeviceTokenCache.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
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
// it. Jobs are taken in order by whichever thread is free. On SQLite one more thread writes, and
// another checkpoints the write-ahead log, so that no request waits for the disk.
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
    // On SQLite, which lets one connection write at a time, writes go to one more thread, which
    // runs those waiting together in one transaction: one commit for many, and no reader waits
    // behind a writer. On PostgreSQL any free thread takes the writes waiting together and
    // writes their reports with one statement (ReportBatch).
    bool hasWriterThread() const;
    void postWrite(Write write);

private:
    bool openWorker(Worker& worker, QString* error);
    void run(Worker& worker);
    void writeInBatches(Worker& worker);
    void writeTogether(Worker& worker, std::vector<Write>& writes);
    // At most an even share among `threads`; the caller holds the mutex.
    std::vector<Write> takeWrites(size_t threads);
    void checkpointRegularly(ServerDatabase& database);
    void stop();

    const ServerOptions& m_options;
    int m_size;
    StageTimings* m_timings;
    // Shared by every thread's handlers.
    DeviceTokenCache m_knownTokens;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Each with the order it was posted in, so that a free thread takes the older first.
    std::deque<std::pair<std::uint64_t, Job>> m_jobs;
    std::deque<std::pair<std::uint64_t, Write>> m_writes;
    std::uint64_t m_posted = 0;
    // Threads waiting for a job or a write.
    size_t m_idle = 0;
    std::condition_variable m_writeWake;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    // Its own, so that a job's wake-up never goes to the checkpointer.
    std::condition_variable m_checkpointWake;
};
