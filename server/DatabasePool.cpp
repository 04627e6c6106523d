#include "DatabasePool.h"

#include "ApiRoutes.h"
#include "ServerDatabase.h"
#include "ServerHandlers.h"
#include "ServerOptions.h"

#include <chrono>
#include <cstdio>
#include <future>

namespace {

// At full load the log grows by a few MiB a second; checkpointed this often it stays small, and
// a request's commit never meets the checkpoint SQLite would otherwise run in it.
constexpr std::chrono::milliseconds checkpointPeriod { 200 };

} // namespace

DatabasePool::Worker::~Worker()
{
    routes.clear();
    handlers.reset();
    database.reset();
}

DatabasePool::DatabasePool(const ServerOptions& options, int threads)
    : m_options(options)
    , m_size(std::max(threads, 1))
{
}

DatabasePool::~DatabasePool()
{
    stop();
}

bool DatabasePool::start(QString* error)
{
    // One at a time, so that only the first meets a schema to create or migrate.
    for (int i = 0; i < m_size; ++i) {
        std::promise<QString> opened;
        auto result = opened.get_future();
        m_threads.emplace_back([this, &opened] {
            Worker worker;
            worker.database = std::make_unique<ServerDatabase>(m_options.database);
            QString why;
            if (!worker.database->open(&why)) {
                opened.set_value(why.isEmpty() ? QStringLiteral("cannot open the database") : why);
                return;
            }
            worker.handlers = std::make_unique<ServerHandlers>(*worker.database, m_options);
            worker.routes = ApiRoutes::build(*worker.handlers);
            opened.set_value({});
            run(worker);
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
        try {
            database.checkpoint();
        } catch (const DatabaseError& error) {
            // The next period tries again; meanwhile requests' commits checkpoint as SQLite would.
            std::fprintf(stderr, "database checkpoint: %s\n", error.what());
        }
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
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
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
    }
    m_wake.notify_all();
    m_checkpointWake.notify_all();
    for (auto& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    m_threads.clear();
}
