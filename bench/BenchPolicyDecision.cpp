// Cost of one lock decision, the question the child asks after every policy it applies.
#include "Services/MacPolicyExecutor.h"
#include "support/SettableClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const SettableClock clock(QDateTime(QDate(2026, 3, 10), QTime(21, 15), Qt::UTC),
                              QTimeZone("Asia/Shanghai"));
    ScreenTimePolicy policy;
    policy.blockedStart = { 22, 30 };
    policy.blockedEnd = { 6, 15 };

    constexpr int iterations = 1'000'000;
    qint64 lockedCount = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i) {
        lockedCount += MacPolicyExecutor::shouldBeLocked(policy, i % 240).locked ? 1 : 0;
    }
    const auto elapsedNs = timer.nsecsElapsed();
    std::printf("shouldBeLocked: %d calls, %.1f ns per call (system zone lookups included), %lld locked\n",
                iterations, double(elapsedNs) / iterations, static_cast<long long>(lockedCount));
    return 0;
}
