#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <qcorotask.h>

#include <optional>

class AlertPresenter;
class MacChildGuard;
class QNetworkAccessManager;

// Lets the application replace itself with a newer build: once per process it reads the
// vendor's release catalogue, offers a newer build in an alert, downloads the image and installs
// it as root through the child guard's runner, then quits so that the new copy starts. Every
// failure is quiet: no offer, or no install.
namespace MacAppUpdate {

struct ReleaseItem
{
    QString version;
    qint64 build = 0;
    QString url;

    bool operator==(const ReleaseItem&) const = default;
};

inline const QString skippedBuildKey = QStringLiteral("mac.update.skippedBuild");
inline const QString imageFileName = QStringLiteral("corvane-update.dmg");
inline constexpr int catalogTimeoutMs = 20000;
inline constexpr int downloadStallTimeoutMs = 60000;
inline constexpr qsizetype catalogMaxBytes = 1024 * 1024;

// https://<catalogue host>/home/releases.json
QUrl catalog();
// The hosts images may come from, lower case.
QStringList releaseHosts();

// Starts check() the first time it is called in a process; later calls do nothing.
void checkOnLaunch(const MacChildGuard& guard, QNetworkAccessManager& network);
bool hasStarted();

// `guard` knows the running build and installs the update as root; it must outlive the check.
QCoro::Task<void> check(const MacChildGuard& guard, QNetworkAccessManager& network);
// The same flow with another catalogue address (tests use a loopback server).
QCoro::Task<void> check(QUrl catalogUrl, const MacChildGuard& guard, QNetworkAccessManager& network);

QCoro::Task<std::optional<ReleaseItem>> fetch(QUrl catalogUrl, QNetworkAccessManager& network);
// The catalogue's "mac" entry, when it is complete: a string version, an integer build of at
// least 1, and a non-empty string url.
std::optional<ReleaseItem> parseCatalog(const QByteArray& body);

// Only "https://" exactly, a host, and that host on the allow-list.
bool allowed(const QString& url);
bool allowed(const QString& url, const QStringList& hosts);

// A decimal integer with an optional sign that fits 64 bits; anything else is unknown.
std::optional<qint64> parseBuildNumber(const std::optional<QString>& value);
// Whether an item is offered at all: newer than the running build (an unknown running build is
// older than any), from an allowed address, and not the build declined last.
bool shouldOffer(const ReleaseItem& item, std::optional<qint64> currentBuild, qint64 skippedBuild);

// The alert; true only for "现在安装".
bool confirm(const QString& version, AlertPresenter& alerts);

// Downloads to `directory`/corvane-update.dmg (replacing any earlier one), mode 644. The path,
// or nothing on any failure.
QCoro::Task<std::optional<QString>> download(QString url, QNetworkAccessManager& network,
                                             QString directory = QDir::tempPath());

} // namespace MacAppUpdate
