#include "Models/RemoteBackendConfig.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRemoteBackendConfig : public QObject
{
    Q_OBJECT

private slots:

    void baseURLString_data()
    {
        QTest::addColumn<QString>("override");
        QTest::addColumn<QString>("expected");
        const auto builtIn = RemoteBackendConfig::builtInDefaultBaseURL();
        QTest::newRow("blanks, slashes, line break")
            << u"  https://x.example/api//\n"_s << u"https://x.example/api"_s;
        QTest::newRow("inner slashes stay") << u"/https://x.example/a/b/"_s << u"https://x.example/a/b"_s;
        QTest::newRow("ideographic space") << u"\u3000https://x.example\u3000"_s << u"https://x.example"_s;
        QTest::newRow("only blanks") << u"   \t"_s << builtIn;
        QTest::newRow("only slashes") << u" /// "_s << builtIn;
    }

    void baseURLString()
    {
        QFETCH(QString, override);
        QFETCH(QString, expected);
        MemoryUserDefaults defaults;
        RemoteBackendConfig config(defaults, m_keychain, m_network);
        config.setBaseURLOverride(override);
        QCOMPARE(config.baseURLString(), expected);
        // Stored exactly as typed.
        QCOMPARE(defaults.string(RemoteBackendConfig::baseURLOverrideKey), override);
    }

    void boundNeedsParsableAddressAndDeviceID_data()
    {
        QTest::addColumn<QString>("override");
        QTest::addColumn<QString>("deviceID");
        QTest::addColumn<bool>("bound");
        QTest::newRow("default with id") << u""_s << u"d1"_s << true;
        QTest::newRow("default without id") << u""_s << u""_s << false;
        QTest::newRow("unparsable with id") << u"http://exa mple.com"_s << u"d1"_s << false;
    }

    void boundNeedsParsableAddressAndDeviceID()
    {
        QFETCH(QString, override);
        QFETCH(QString, deviceID);
        QFETCH(bool, bound);
        MemoryUserDefaults defaults;
        RemoteBackendConfig config(defaults, m_keychain, m_network);
        config.setBaseURLOverride(override);
        config.setDeviceID(deviceID);
        QCOMPARE(config.isBoundToBackend(), bound);
        QCOMPARE(RemoteBackendConfig::isBoundIn(defaults), bound);
    }

    void roleParsing_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<RemoteDeviceRole>("expected");
        QTest::newRow("child") << QVariant(u"child"_s) << RemoteDeviceRole::child;
        QTest::newRow("letter case") << QVariant(u"Child"_s) << RemoteDeviceRole::unknown;
        QTest::newRow("data, not text") << QVariant(QByteArray("child")) << RemoteDeviceRole::unknown;
    }

    void roleParsing()
    {
        QFETCH(QVariant, stored);
        QFETCH(RemoteDeviceRole, expected);
        MemoryUserDefaults defaults;
        defaults.setObject(RemoteBackendConfig::roleKey, stored);
        const RemoteBackendConfig config(defaults, m_keychain, m_network);
        QCOMPARE(config.role(), expected);
        // Loading installs without writing back.
        QCOMPARE(defaults.writeCount(RemoteBackendConfig::roleKey), 1);
    }

    void nonTextValuesLoadAsEmpty()
    {
        MemoryUserDefaults defaults;
        defaults.setInteger(RemoteBackendConfig::familyCodeKey, 123456);
        defaults.setData(RemoteBackendConfig::deviceIDKey, QByteArray("abc"));
        const RemoteBackendConfig config(defaults, m_keychain, m_network);
        QCOMPARE(config.familyCode(), u""_s);
        QCOMPARE(config.deviceID(), u""_s);
    }

    void sameValueStillNotifiesAndWrites()
    {
        MemoryUserDefaults defaults;
        RemoteBackendConfig config(defaults, m_keychain, m_network);
        QSignalSpy spy(&config, &RemoteBackendConfig::familyCodeChanged);
        config.setFamilyCode(u"123456"_s);
        config.setFamilyCode(u"123456"_s);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(defaults.writeCount(RemoteBackendConfig::familyCodeKey), 2);

        config.setDeviceName(QString());
        QCOMPARE(defaults.string(RemoteBackendConfig::deviceNameKey), u""_s);
    }

private:
    MemorySecureStore m_keychain;
    QNetworkAccessManager m_network;
};

QTEST_GUILESS_MAIN(TestRemoteBackendConfig)
#include "TestRemoteBackendConfig.moc"
