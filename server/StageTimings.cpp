#include "StageTimings.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const char* stageName(StageTimings::Stage stage)
{
    switch (stage) {
    case StageTimings::Stage::ReadQueue:
        return "read queue";
    case StageTimings::Stage::ReadWork:
        return "read work";
    case StageTimings::Stage::WriteQueue:
        return "write queue";
    case StageTimings::Stage::WriteWork:
        return "write work";
    case StageTimings::Stage::WriteBatchWait:
        return "write batch wait";
    case StageTimings::Stage::Commit:
        return "commit";
    case StageTimings::Stage::CommitDuringCheckpoint:
        return "commit in checkpoint";
    case StageTimings::Stage::BatchSize:
        return "batch size";
    case StageTimings::Stage::AnswerHop:
        return "answer hop";
    case StageTimings::Stage::InServer:
        return "in server";
    case StageTimings::Stage::Checkpoint:
        return "checkpoint";
    case StageTimings::Stage::Count:
        break;
    }
    return "";
}

} // namespace

void StageTimings::add(Stage stage, Clock::time_point from, Clock::time_point to)
{
    const auto us
        = std::max<std::int64_t>(0, std::chrono::duration_cast<std::chrono::microseconds>(to - from).count());
    record(stage, us, std::min<std::size_t>(buckets - 1, std::size_t(us / bucketMicroseconds)));
}

void StageTimings::addCount(Stage stage, std::int64_t count)
{
    record(stage, count, std::min<std::size_t>(buckets - 1, std::size_t(std::max<std::int64_t>(0, count))));
}

void StageTimings::record(Stage stage, std::int64_t value, std::size_t bucket)
{
    auto& histogram = m_histograms[std::size_t(stage)];
    histogram.counts[bucket].fetch_add(1, std::memory_order_relaxed);
    histogram.total.fetch_add(1, std::memory_order_relaxed);
    histogram.sum.fetch_add(value, std::memory_order_relaxed);
    auto seen = histogram.max.load(std::memory_order_relaxed);
    while (value > seen && !histogram.max.compare_exchange_weak(seen, value, std::memory_order_relaxed)) { }
}

QString StageTimings::summary() const
{
    QString text = u"%1 %2 %3 %4 %5 %6 %7 %8\n"_s.arg(u"stage"_s, -22)
                       .arg(u"count"_s, 8)
                       .arg(u"mean"_s, 9)
                       .arg(u"p50"_s, 9)
                       .arg(u"p90"_s, 9)
                       .arg(u"p99"_s, 9)
                       .arg(u"p99.9"_s, 9)
                       .arg(u"max"_s, 9);
    for (std::size_t i = 0; i < std::size_t(Stage::Count); ++i) {
        const auto& histogram = m_histograms[i];
        const auto total = histogram.total.load();
        if (total == 0) {
            continue;
        }
        const bool isCount = Stage(i) == Stage::BatchSize;
        // Durations in milliseconds at the bucket's upper edge; counts as they are.
        const auto shown = [&](std::size_t bucket) {
            return isCount ? double(bucket) : double((std::int64_t(bucket) + 1) * bucketMicroseconds) / 1000;
        };
        const auto percentile = [&](double fraction) {
            const auto wanted = std::int64_t(fraction * double(total));
            std::int64_t seen = 0;
            for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
                seen += histogram.counts[bucket].load();
                if (seen > wanted) {
                    return shown(bucket);
                }
            }
            return shown(buckets - 1);
        };
        const double scale = isCount ? 1 : 1000;
        text += u"%1 %2 %3 %4 %5 %6 %7 %8\n"_s.arg(QString::fromLatin1(stageName(Stage(i))), -22)
                    .arg(total, 8)
                    .arg(double(histogram.sum.load()) / double(total) / scale, 9, 'f', 3)
                    .arg(percentile(0.5), 9, 'f', 3)
                    .arg(percentile(0.9), 9, 'f', 3)
                    .arg(percentile(0.99), 9, 'f', 3)
                    .arg(percentile(0.999), 9, 'f', 3)
                    .arg(double(histogram.max.load()) / scale, 9, 'f', 3);
    }
    return text + u"(milliseconds; the batch size in writes)\n"_s;
}
