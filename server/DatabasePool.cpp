#include "DatabasePool.h"

#include "ApiRoutes.h"
#include "ReportBatch.h"
#include "ServerDatabase.h"
#include "ServerHandlers.h"
#include "ServerOptions.h"
#include "StageTimings.h"

#include <chrono>
#include <cstdio>
#include <future>

namespace {

// At full load the log grows by a few MiB a second; checkpointed this often it stays small, and
// a request's commit never meets the checkpoint SQLite would otherwise run in it.
constexpr std::chrono::milliseconds checkpointPeriod { 200 };
// Writes committed together at most: a batch's answers wait for its last write.
constexpr size_t writesPerBatch = 64;

} // namespace

DatabasePool::Worker::~Worker()
{
    routes.clear();
    handlers.reset();
    database.reset();
}

DatabasePool::DatabasePool(const ServerOptions& options, int threads, StageTimings* timings)
    : m_options(options)
    , m_size(std::max(threads, 1))
    , m_timings(timings)
{
}

DatabasePool::~DatabasePool()
{
    stop();
}

bool DatabasePool::start(QString* error)
{
    // One at a time, so that only the first meets a schema to create or migrate. The last is the
    // writer.
    for (int i = 0; i <= m_size; ++i) {
        std::promise<QString> opened;
        auto result = opened.get_future();
        const bool writer = i == m_size;
        m_threads.emplace_back([this, &opened, writer] {
            Worker worker;
            QString why;
            if (!openWorker(worker, &why)) {
                opened.set_value(why);
                return;
            }
            opened.set_value({});
            if (writer) {
                writeInBatches(worker);
            } else {
                run(worker);
            }
        });
        const auto why = result.get();
        if (!why.isEmpty()) {
            *error = why;
            stop();
            return false;
        }
    }
    if (m_options.database.kind == DatabaseLocation::Kind::Sqlite) {
        m_threads.emplace_back([this] {
            ServerDatabase database(m_options.database);
            QString why;
            if (!database.open(&why)) {
                // Requests' commits then checkpoint, as SQLite does by itself.
                std::fprintf(stderr, "database checkpoints: %s\n", qPrintable(why));
                return;
            }
            checkpointRegularly(database);
        });
    }
    return true;
}

void DatabasePool::checkpointRegularly(ServerDatabase& database)
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_checkpointWake.wait_for(lock, checkpointPeriod, [this] { return m_stopping; })) {
                return;
            }
        }
        const auto started = StageTimings::Clock::now();
        if (m_timings) {
            m_timings->checkpointStarted();
        }
        try {
            database.checkpoint();
        } catch (const DatabaseError& error) {
            // The next period tries again; meanwhile requests' commits checkpoint as SQLite would.
            std::fprintf(stderr, "database checkpoint: %s\n", error.what());
        }
        if (m_timings) {
            m_timings->checkpointFinished();
            m_timings->add(StageTimings::Stage::Checkpoint, started, StageTimings::Clock::now());
        }
    }
}

bool DatabasePool::openWorker(Worker& worker, QString* error)
{
    worker.database = std::make_unique<ServerDatabase>(m_options.database);
    if (!worker.database->open(error)) {
        if (error->isEmpty()) {
            *error = QStringLiteral("cannot open the database");
        }
        return false;
    }
    worker.handlers = std::make_unique<ServerHandlers>(*worker.database, m_options, &m_knownTokens);
    worker.routes = ApiRoutes::build(*worker.handlers);
    return true;
}

void DatabasePool::postWrite(Write write)
{
    {
        const std::lock_guard lock(m_mutex);
        m_writes.push_back(std::move(write));
    }
    m_writeWake.notify_one();
}

void DatabasePool::writeTogether(Worker& worker, std::vector<Write>& writes)
{
    ReportBatch reports(int(writes.size()));
    std::vector<Completion> completions;
    completions.reserve(writes.size());
    worker.database->setReportBatch(&reports);
    for (size_t i = 0; i < writes.size(); ++i) {
        reports.startRequest(int(i));
        completions.push_back(writes[i](worker));
    }
    worker.database->setReportBatch(nullptr);
    const auto started = StageTimings::Clock::now();
    reports.write(*worker.database);
    worker.database->finishStatements();
    if (m_timings) {
        m_timings->add(StageTimings::Stage::Commit, started, StageTimings::Clock::now());
        m_timings->addCount(StageTimings::Stage::BatchSize, std::int64_t(writes.size()));
    }
    for (size_t i = 0; i < completions.size(); ++i) {
        switch (reports.outcome(int(i))) {
        case ReportBatch::Outcome::Written:
            completions[i](WriteOutcome::Committed);
            break;
        case ReportBatch::Outcome::DeviceNotFound:
            completions[i](WriteOutcome::DeviceNotFound);
            break;
        case ReportBatch::Outcome::Failed:
            completions[i](WriteOutcome::Failed);
            break;
        }
    }
}

void DatabasePool::writeInBatches(Worker& worker)
{
    const bool sqlite = m_options.database.kind == DatabaseLocation::Kind::Sqlite;
    for (;;) {
        std::vector<Write> batch;
        {
            std::unique_lock lock(m_mutex);
            m_writeWake.wait(lock, [this] { return m_stopping || !m_writes.empty(); });
            if (m_stopping) {
                return;
            }
            while (!m_writes.empty() && batch.size() < writesPerBatch) {
                batch.push_back(std::move(m_writes.front()));
                m_writes.pop_front();
            }
        }
        if (sqlite) {
            writeInTransaction(worker, batch);
        } else {
            writeTogether(worker, batch);
        }
    }
}

void DatabasePool::writeInTransaction(Worker& worker, std::vector<Write>& writes)
{
    std::vector<Completion> completions;
    completions.reserve(writes.size());
    StageTimings::Clock::time_point worked;
    bool checkpointing = false;
    const auto committed = worker.database->batch([&] {
        for (auto& write : writes) {
            completions.push_back(write(worker));
        }
        if (m_timings) {
            worked = StageTimings::Clock::now();
            checkpointing = m_timings->checkpointing();
        }
    });
    if (m_timings) {
        m_timings->add(checkpointing ? StageTimings::Stage::CommitDuringCheckpoint
                                     : StageTimings::Stage::Commit,
                       worked, StageTimings::Clock::now());
        m_timings->addCount(StageTimings::Stage::BatchSize, std::int64_t(writes.size()));
    }
    for (auto& completion : completions) {
        completion(committed ? WriteOutcome::Committed : WriteOutcome::Failed);
    }
}

void DatabasePool::post(Job job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void DatabasePool::run(Worker& worker)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job(worker);
    }
}

void DatabasePool::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
        m_writes.clear();
    }
    m_wake.notify_all();
    m_writeWake.notify_all();
    m_checkpointWake.notify_all();
    for (auto& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    m_threads.clear();
}
