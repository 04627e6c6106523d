#include "App/MacAppUpdate.h"
#include "App/MacChildGuard.h"
#include "Platform/PlatformDefaults.h"
#include "support/FixedAppBundle.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingAdminRunner.h"
#include "support/RecordingHTTPServer.h"
#include "support/ScriptedAlertPresenter.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>
#include <qcorotask.h>

using namespace Qt::StringLiterals;
using MacAppUpdate::ReleaseItem;

Q_DECLARE_METATYPE(std::optional<ReleaseItem>)
Q_DECLARE_METATYPE(std::optional<qint64>)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {
// An image address on the first allowed host.
QString allowedImage()
{
    return u"https://"_s + MacAppUpdate::releaseHosts().constFirst() + u"/downloads/Vantorel-42.dmg"_s;
}

QByteArray catalogue(qint64 build)
{
    return R"({"mac":{"version":"2.0","build":)" + QByteArray::number(build) + R"(,"url":")"
        + allowedImage().toUtf8() + R"("}})";
}
} // namespace

class TestMacAppUpdate : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.emplace();
        QVERIFY(m->server.listen());
    }
    void cleanup() { m.reset(); }

    void parseCatalog_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<ReleaseItem>>("expected");
        const std::optional<ReleaseItem> none;

        QTest::newRow("complete, other members ignored")
            // Not a raw literal: moc would read the "//" inside one as a comment.
            << QByteArray(
                   "{\"mac\":{\"version\":\"2.1\",\"build\":42,\"url\":\"https://x/y.dmg\",\"notes\":1},"
                   "\"win\":{}}")
            << std::optional<ReleaseItem>(ReleaseItem { u"2.1"_s, 42, u"https://x/y.dmg"_s });
        QTest::newRow("build 0") << QByteArray(R"({"mac":{"version":"2","build":0,"url":"u"}})") << none;
        QTest::newRow("build as string")
            << QByteArray(R"({"mac":{"version":"2","build":"42","url":"u"}})") << none;
        QTest::newRow("fractional build")
            << QByteArray(R"({"mac":{"version":"2","build":4.5,"url":"u"}})") << none;
        QTest::newRow("empty url") << QByteArray(R"({"mac":{"version":"2","build":42,"url":""}})") << none;
        QTest::newRow("no mac member")
            << QByteArray(R"({"linux":{"version":"2","build":42,"url":"u"}})") << none;
        QTest::newRow("not JSON") << QByteArray("<html>") << none;
    }
    void parseCatalog()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<ReleaseItem>, expected);
        QCOMPARE(MacAppUpdate::parseCatalog(body), expected);
    }

    void allowed_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("expected");
        const QString host = MacAppUpdate::releaseHosts().constFirst();
        QTest::newRow("https on an allowed host") << u"https://"_s + host + u"/a.dmg"_s << true;
        QTest::newRow("host in capitals") << u"https://"_s + host.toUpper() + u"/a.dmg"_s << true;
        QTest::newRow("plain http") << u"http://"_s + host + u"/a.dmg"_s << false;
        QTest::newRow("foreign host") << u"https://evil.example/a.dmg"_s << false;
        QTest::newRow("allowed host as a suffix") << u"https://evil"_s + host + u"/a.dmg"_s << false;
        QTest::newRow("allowed host as user info")
            << u"https://"_s + host + u"@evil.example/a.dmg"_s << false;
        QTest::newRow("no host") << u"https:///a.dmg"_s << false;
    }
    void allowed()
    {
        QFETCH(QString, url);
        QFETCH(bool, expected);
        QCOMPARE(MacAppUpdate::allowed(url), expected);
    }

    void parseBuildNumber_data()
    {
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<std::optional<qint64>>("expected");
        const std::optional<qint64> unknown;
        QTest::newRow("plain") << std::optional<QString>(u"42"_s) << std::optional<qint64>(42);
        QTest::newRow("largest") << std::optional<QString>(u"9223372036854775807"_s)
                                 << std::optional<qint64>(std::numeric_limits<qint64>::max());
        QTest::newRow("beyond 64 bits") << std::optional<QString>(u"9223372036854775808"_s) << unknown;
        QTest::newRow("dotted") << std::optional<QString>(u"1.2.3"_s) << unknown;
        QTest::newRow("full-width digits") << std::optional<QString>(u"４２"_s) << unknown;
        QTest::newRow("empty") << std::optional<QString>(QString()) << unknown;
        QTest::newRow("missing") << std::optional<QString>() << unknown;
    }
    void parseBuildNumber()
    {
        QFETCH(std::optional<QString>, value);
        QFETCH(std::optional<qint64>, expected);
        QCOMPARE(MacAppUpdate::parseBuildNumber(value), expected);
    }

    // A release of build 42; skipping a build is the declining test's.
    void shouldOffer_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<std::optional<qint64>>("current");
        QTest::addColumn<bool>("offered");
        const QString ok = allowedImage();
        QTest::newRow("one newer") << ok << std::optional<qint64>(41) << true;
        QTest::newRow("same build") << ok << std::optional<qint64>(42) << false;
        QTest::newRow("unknown running build") << ok << std::optional<qint64>() << true;
        QTest::newRow("plain http") << u"http://www.corvane.com/a.dmg"_s << std::optional<qint64>(41)
                                    << false;
    }
    void shouldOffer()
    {
        QFETCH(QString, url);
        QFETCH(std::optional<qint64>, current);
        QFETCH(bool, offered);
        QCOMPARE(MacAppUpdate::shouldOffer({ u"2"_s, 42, url }, current, 0), offered);
    }

    void decliningStoresTheBuild()
    {
        for (const qint64 build : { 42, 42, 43 }) {
            m->server.enqueue(RecordingHTTPServer::json(200, catalogue(build)));
        }
        m->alerts.setNextAnswer(1);

        QCoro::waitFor(MacAppUpdate::check(catalogueUrl(), m->guard, m->network));

        QCOMPARE(m->alerts.shown().size(), 1);
        QCOMPARE(m->defaults.integer(MacAppUpdate::skippedBuildKey), std::optional<qint64>(42));
        QVERIFY(m->runner.scripts().isEmpty());

        // The same catalogue again offers nothing; a higher build is offered again.
        QCoro::waitFor(MacAppUpdate::check(catalogueUrl(), m->guard, m->network));
        QCOMPARE(m->alerts.shown().size(), 1);
        QCoro::waitFor(MacAppUpdate::check(catalogueUrl(), m->guard, m->network));
        QCOMPARE(m->alerts.shown().size(), 2);
    }

    void fetch_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("found");
        QTest::newRow("200") << 200 << true;
        QTest::newRow("404") << 404 << false;
        QTest::newRow("oversized") << 200 << false;
    }
    void fetch()
    {
        QFETCH(int, status);
        QFETCH(bool, found);
        QByteArray body = catalogue(42);
        if (QByteArray(QTest::currentDataTag()) == "oversized") {
            body.append(MacAppUpdate::catalogMaxBytes, ' ');
        }
        m->server.enqueue(RecordingHTTPServer::json(status, body));
        const auto item = QCoro::waitFor(MacAppUpdate::fetch(catalogueUrl(), m->network));
        QCOMPARE(item.has_value(), found);
    }

    void downloadWritesTheImageWithMode644()
    {
        QTemporaryDir directory;
        const QString destination = directory.filePath(MacAppUpdate::imageFileName);
        QFile stale(destination);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("an older, longer image");
        stale.close();
        QFile::setPermissions(destination, QFileDevice::ReadOwner);

        const QByteArray image(300 * 1024, 'i');
        m->server.enqueue(RecordingHTTPServer::json(200, image));
        const auto path = QCoro::waitFor(MacAppUpdate::download(m->server.baseURLString() + u"/image.dmg"_s,
                                                                m->network, directory.path()));

        QCOMPARE(path, std::optional<QString>(destination));
        QFile file(destination);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), image);
        QCOMPARE(QFileInfo(destination).permissions() & 0x7777, QFileDevice::Permissions(0x6644));
        QCOMPARE(QDir(directory.path()).entryList(QDir::Files), QStringList { MacAppUpdate::imageFileName });
    }

    void downloadFailures_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("status");
        QTest::newRow("404") << u"/image.dmg"_s << 404;
        QTest::newRow("not a URL") << u"::not a url"_s << 0;
    }
    void downloadFailures()
    {
        QFETCH(QString, url);
        QFETCH(int, status);
        QTemporaryDir directory;
        m->server.enqueue(RecordingHTTPServer::json(status, "error page"));
        const QString address = url.startsWith(u'/') ? m->server.baseURLString() + url : url;

        const auto path = QCoro::waitFor(MacAppUpdate::download(address, m->network, directory.path()));

        QVERIFY(!path.has_value());
        QVERIFY(QDir(directory.path()).entryList(QDir::Files).isEmpty());
    }

private:
    QUrl catalogueUrl() const { return QUrl(m->server.baseURLString() + u"/home/releases.json"_s); }

    // Running build 41, the catalogue on a scripted server, the prompts answered by script.
    struct Fixture
    {
        MemoryUserDefaults defaults;
        ScriptedAlertPresenter alerts;
        RecordingAdminRunner runner;
        FixedAppBundle bundle { u"41"_s };
        MemorySecureStore keychain;
        MacChildGuard guard { PlatformDefaults::guardInstaller(), runner, bundle, alerts, keychain };
        RecordingHTTPServer server;
        QNetworkAccessManager network;
    };
    std::optional<Fixture> m;
};

QTEST_GUILESS_MAIN(TestMacAppUpdate)
#include "TestMacAppUpdate.moc"
