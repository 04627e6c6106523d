#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

// Where requests spend their time inside the server, stage by stage, for finding a latency tail
// by measurement rather than by guess. Off unless the server is started with --stage-timings;
// then every stage keeps a histogram (10 µs steps up to 200 ms) that any thread adds to without a
// lock, and the summary is written at exit.
class StageTimings final
{
public:
    enum class Stage
    {
        // A GET from its arrival in the server to a database thread taking it up.
        ReadQueue,
        // The GET's database work: routing, the token's device, the statements.
        ReadWork,
        // A write from its arrival to the writer taking up the batch it ran in.
        WriteQueue,
        // One write's own work inside its batch.
        WriteWork,
        // From a write's own work to its batch's end: the later writes of the batch and the COMMIT.
        WriteBatchWait,
        // A batch's COMMIT.
        Commit,
        // A COMMIT that ran while a checkpoint was running.
        CommitDuringCheckpoint,
        // Writes in one batch (a count, not microseconds).
        BatchSize,
        // An answer's hop back: from the database thread to the sockets' thread taking it up.
        AnswerHop,
        // A request from its arrival in the server to its answer's write to the socket.
        InServer,
        // One background checkpoint.
        Checkpoint,
        Count
    };
    using Clock = std::chrono::steady_clock;

    StageTimings() = default;
    Q_DISABLE_COPY_MOVE(StageTimings)

    void add(Stage stage, Clock::time_point from, Clock::time_point to);
    void addCount(Stage stage, std::int64_t count);
    void checkpointStarted() { m_checkpointing.store(true, std::memory_order_relaxed); }
    void checkpointFinished() { m_checkpointing.store(false, std::memory_order_relaxed); }
    bool checkpointing() const { return m_checkpointing.load(std::memory_order_relaxed); }

    // A line per stage that saw anything: count, mean, p50, p90, p99, p99.9 and max.
    QString summary() const;

private:
    static constexpr std::int64_t bucketMicroseconds = 10;
    static constexpr std::size_t buckets = 20000;
    struct Histogram
    {
        std::array<std::atomic<std::uint32_t>, buckets> counts {};
        std::atomic<std::int64_t> total { 0 };
        std::atomic<std::int64_t> sum { 0 };
        std::atomic<std::int64_t> max { 0 };
    };
    void record(Stage stage, std::int64_t value, std::size_t bucket);

    std::array<Histogram, std::size_t(Stage::Count)> m_histograms;
    std::atomic<bool> m_checkpointing { false };
};
