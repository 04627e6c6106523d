#include "DatabasePool.h"

#include "ApiRoutes.h"
#include "ServerDatabase.h"
#include "ServerHandlers.h"
#include "ServerOptions.h"

#include <future>

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
    return true;
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
    for (auto& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    m_threads.clear();
}
