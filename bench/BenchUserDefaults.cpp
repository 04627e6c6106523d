// Latency of one write-through set on the SQLite-backed store, for a small value and a 1 MiB
// value: the usage monitor writes every 3 seconds, so this is on the sampler's path.
#include "Platform/SqliteUserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
void measure(SqliteUserDefaults& defaults, const char* label, const QByteArray& value, int rounds)
{
    std::vector<qint64> samples;
    samples.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        QByteArray changed = value;
        changed[0] = char('a' + i % 26);
        QElapsedTimer timer;
        timer.start();
        defaults.setData(QStringLiteral("bench.key"), changed);
        samples.push_back(timer.nsecsElapsed());
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return double(samples[size_t(q * (samples.size() - 1))]) / 1000.0; };
    std::printf("%-22s %5d writes  p50 %9.1f us  p99 %9.1f us  max %9.1f us\n", label, rounds, at(0.5),
                at(0.99), at(1.0));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SqliteUserDefaults defaults(dir.filePath(QStringLiteral("bench.sqlite3")));
    measure(defaults, "small value (64 B)", QByteArray(64, 'x'), 500);
    measure(defaults, "large value (1 MiB)", QByteArray(1 << 20, 'x'), 100);
    return 0;
}
