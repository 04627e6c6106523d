#include "App/MacAppUpdate.h"

#include "App/MacChildGuard.h"
#include "Models/L10n.h"
#include "Platform/AppBundle.h"
#include "Platform/GuardInstaller.h"
#include "Platform/HostSystem.h"
#include "Platform/UserDefaults.h"
#include "VantorelBuildConfig.h"
#include "Views/AlertPresenter.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>
#include <QTimer>
#include <qcoronetworkreply.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace MacAppUpdate {
namespace {
bool s_started = false;

} // namespace

QUrl catalog()
{
    return QUrl(u"https://"_s + QString::fromUtf8(VANTOREL_RELEASE_CATALOG_HOST) + u"/home/releases.json"_s);
}

QStringList releaseHosts()
{
    QStringList hosts;
    for (const QString& host : QString::fromUtf8(VANTOREL_RELEASE_HOSTS).split(u';', Qt::SkipEmptyParts)) {
        hosts.append(host.trimmed().toLower());
    }
    return hosts;
}

void checkOnLaunch(const MacChildGuard& guard, QNetworkAccessManager& network)
{
    if (s_started) {
        return;
    }
    s_started = true;
    // Started from the event loop, after the launch step has returned.
    QTimer::singleShot(0, [&guard, &network] { check(guard, network); });
}

bool hasStarted()
{
    return s_started;
}

QCoro::Task<void> check(const MacChildGuard& guard, QNetworkAccessManager& network)
{
    co_await check(catalog(), guard, network);
}

QCoro::Task<void> check(QUrl catalogUrl, const MacChildGuard& guard, QNetworkAccessManager& network)
{
    const std::optional<ReleaseItem> item = co_await fetch(catalogUrl, network);
    if (!item) {
        co_return;
    }
    UserDefaults& defaults = UserDefaults::standard();
    const qint64 skipped = defaults.integer(skippedBuildKey).value_or(0);
    if (!shouldOffer(*item, parseBuildNumber(guard.bundle().buildNumber()), skipped)) {
        co_return;
    }
    if (!confirm(item->version, guard.alerts())) {
        defaults.setInteger(skippedBuildKey, item->build);
        co_return;
    }
    const std::optional<QString> file = co_await download(item->url, network);
    if (!file) {
        co_return;
    }
    const GuardInstaller& installer = guard.installer();
    const QString script = installer.updateScript(*file);
    if (script.isEmpty() || !guard.runAsAdmin(script)) {
        co_return;
    }
    installer.startUpdatedCopy();
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

QCoro::Task<std::optional<ReleaseItem>> fetch(QUrl catalogUrl, QNetworkAccessManager& network)
{
    QNetworkRequest request(catalogUrl);
    request.setTransferTimeout(catalogTimeoutMs);
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    // The catalogue is a few hundred bytes; a body past the cap is not read into memory at all.
    QByteArray body;
    bool oversized = false;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&reply, &body, &oversized] {
        body += reply->readAll();
        if (body.size() > catalogMaxBytes) {
            oversized = true;
            body.clear();
            reply->abort();
        }
    });
    co_await qCoro(reply.get()).waitForFinished();
    if (oversized) {
        co_return std::nullopt;
    }
    body += reply->readAll();
    if (body.size() > catalogMaxBytes || reply->error() != QNetworkReply::NoError
        || reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) {
        co_return std::nullopt;
    }
    co_return parseCatalog(body);
}

bool allowed(const QString& url)
{
    return allowed(url, releaseHosts());
}

bool allowed(const QString& url, const QStringList& hosts)
{
    if (!url.startsWith(u"https://"_s)) {
        return false;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty()) {
        return false;
    }
    return hosts.contains(parsed.host().toLower());
}

std::optional<qint64> parseBuildNumber(const std::optional<QString>& value)
{
    if (!value || value->isEmpty()) {
        return std::nullopt;
    }
    QStringView digits(*value);
    bool negative = false;
    if (digits.front() == u'+' || digits.front() == u'-') {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    if (digits.isEmpty()) {
        return std::nullopt;
    }
    quint64 magnitude = 0;
    constexpr quint64 limit = static_cast<quint64>(std::numeric_limits<qint64>::max());
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + static_cast<quint64>(c.unicode() - u'0');
        if (magnitude > limit + (negative ? 1 : 0)) {
            return std::nullopt;
        }
    }
    if (negative) {
        return magnitude == limit + 1 ? std::numeric_limits<qint64>::min() : -static_cast<qint64>(magnitude);
    }
    return static_cast<qint64>(magnitude);
}

bool shouldOffer(const ReleaseItem& item, std::optional<qint64> currentBuild, qint64 skippedBuild)
{
    if (currentBuild && *currentBuild >= item.build) {
        return false;
    }
    if (!allowed(item.url)) {
        return false;
    }
    return skippedBuild != item.build;
}

bool confirm(const QString& version, AlertPresenter& alerts)
{
    const AlertPresenter::Answer answer = alerts.runModal(
        { L10n::format(L10n::localized("发现新版本 %@"), { version }),
          HostSystem::isMac ? L10n::localized("安装后会替换「应用程序」里的岚哨。需要输入本机管理员密码。")
                            : L10n::localized("安装后会替换本机系统目录里的岚哨。需要输入本机管理员密码。"),
          { L10n::localized("现在安装"), L10n::localized("稍后") },
          false });
    return answer.button == 0;
}

QCoro::Task<std::optional<QString>> download(QString url, QNetworkAccessManager& network, QString directory)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty()) {
        co_return std::nullopt;
    }
    // Written as it arrives, next to the destination, so the final move is a rename.
    auto partial = std::make_unique<QTemporaryFile>(directory + u"/corvane-update-XXXXXX.part"_s);
    if (!partial->open()) {
        co_return std::nullopt;
    }
    QNetworkRequest request(parsed);
    // Ends a download that stalls; a slow one that keeps moving goes on.
    request.setTransferTimeout(downloadStallTimeoutMs);
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    bool writeFailed = false;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&reply, &partial, &writeFailed] {
        const QByteArray chunk = reply->readAll();
        if (partial->write(chunk) != chunk.size()) {
            writeFailed = true;
            reply->abort();
        }
    });
    co_await qCoro(reply.get()).waitForFinished();
    const QByteArray rest = reply->readAll();
    if (partial->write(rest) != rest.size()) {
        writeFailed = true;
    }
    if (writeFailed || reply->error() != QNetworkReply::NoError
        || reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200 || !partial->flush()) {
        co_return std::nullopt;
    }

    const QString destination = QDir(directory).filePath(imageFileName);
    QFile::remove(destination);
    partial->close();
    if (!partial->rename(destination)) {
        co_return std::nullopt;
    }
    partial->setAutoRemove(false);
    if (!QFile::setPermissions(destination,
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                   | QFileDevice::ReadOther)) {
        co_return std::nullopt;
    }
    co_return destination;
}

} // namespace MacAppUpdate
