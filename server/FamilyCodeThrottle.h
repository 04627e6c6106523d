#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>

#include <array>
#include <vector>

// Makes guessing family codes useless. A family code is six digits, so with many families a good
// share of all codes is live; the server therefore counts failed family-code lookups ("family not
// found") per client address and in total, over a sliding window.
//
// - An address that failed `failuresPerAddress` times within the window is refused (429) on every
//   route that takes a family code, live code or not, until its oldest failure leaves the window:
//   a 200 for a live code would otherwise still tell it apart from a dead one.
// - Once all addresses together failed `failuresInTotal` times within the window, every answer to
//   a family-code request from an address that already failed in the window is held back for
//   `delayMs`, whether its code is live or dead: holding only the failing answers would make the
//   hold itself the tell, for a guesser who stops waiting after a moment. Addresses without a
//   failure are never held.
//
// IPv6 addresses are counted per /64, the block one subscriber usually gets; IPv4-mapped IPv6
// addresses count as their IPv4 address. At most `maximumTrackedAddresses` addresses are kept;
// past that (after dropping those whose failures all left the window) new addresses are only
// counted in the total.
class FamilyCodeThrottle final
{
public:
    struct Settings
    {
        int failuresPerAddress = 20;
        int failuresInTotal = 1000;
        qint64 windowMs = 10 * 60 * 1000;
        int delayMs = 2000;
    };
    // What one failure changed, for the log.
    struct Outcome
    {
        // This failure spent the address's budget.
        bool addressThrottled = false;
        // This failure reached the total budget.
        bool totalReached = false;
    };
    static constexpr qsizetype maximumTrackedAddresses = 100000;

    explicit FamilyCodeThrottle(Settings settings);

    const Settings& settings() const { return m_settings; }

    // Whether `address` has spent its budget and is refused at `nowMs`.
    bool refuses(const QHostAddress& address, qint64 nowMs);
    // How long to hold the answer to a family-code request from `address`: 0 or `delayMs`.
    int holdMs(const QHostAddress& address, qint64 nowMs);
    Outcome recordFailure(const QHostAddress& address, qint64 nowMs);
    // Failures of all addresses within the window ending at `nowMs`.
    int totalFailures(qint64 nowMs) const;
    qsizetype trackedAddresses() const { return m_failures.size(); }

    // The counting key: 4 bytes for IPv4, the first 8 bytes (the /64) for IPv6.
    static QByteArray key(const QHostAddress& address);

private:
    // The failure instants of one address within the window, oldest first, at most the budget.
    using Failures = std::vector<qint64>;
    static constexpr int totalBuckets = 60;

    void forgetExpired(Failures& failures, qint64 nowMs) const;
    void pruneAddresses(qint64 nowMs);

    Settings m_settings;
    QHash<QByteArray, Failures> m_failures;
    qsizetype m_pruneAt = 1024;
    // The total as counts per slice of the window (window / totalBuckets each).
    std::array<int, totalBuckets> m_bucketCounts {};
    std::array<qint64, totalBuckets> m_bucketSlices {};
};
